#!/usr/bin/env bash
# Installs what is missing, builds the launcher, the headless host and the
# fixture level's generator in Release (build-release/veltrix,
# build-release/veltrix-host, build-release/make_fixture_level) and runs the
# launcher with the given arguments.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/tools/deps.sh" run
cmake -S "$here" -B "$here/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTRIX_TESTS=OFF -DVELTRIX_BENCH=OFF >/dev/null
cmake --build "$here/build-release" --target veltrix veltrix-host make_fixture_level
exec "$here/build-release/veltrix" "$@"
