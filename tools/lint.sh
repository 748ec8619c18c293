#!/usr/bin/env bash
# Source checks that the compiler cannot make: the engine draws random numbers
# only from the runtime-compatible generator (crt::rand), and never changes the
# C locale (number parsing and "%.2f" formatting assume "C").
set -euo pipefail
cd "$(dirname "$0")/.."
dirs=(Platform Core Startup Render Sound Vehicles Race Interface Script DynamicSky Host)
status=0
if grep -rnE '(^|[^:_A-Za-z0-9])(std::)?s?rand[[:space:]]*\(' "${dirs[@]}" --include='*.cpp' --include='*.h' \
     | grep -v 'crt::' | grep -v 'Platform/CRand\.'; then
  echo "use crt::rand/crt::srand (Platform/CRand.h), not the C library's generator"
  status=1
fi
if grep -rnE '\bsetlocale[[:space:]]*\(' "${dirs[@]}" --include='*.cpp' --include='*.h'; then
  echo "the engine must not change the C locale"
  status=1
fi
exit $status
