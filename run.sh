#!/usr/bin/env bash
# Installs what is missing, builds Veltrix in Release and runs the launcher.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/tools/deps.sh"
cmake -S "$here" -B "$here/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTRIX_TESTS=OFF -DVELTRIX_BENCH=OFF >/dev/null
cmake --build "$here/build-release" --target veltrix
exec "$here/build-release/veltrix" "$@"
