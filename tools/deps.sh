#!/usr/bin/env bash
# Installs the Debian packages the calling script needs, only those that are
# missing. `tools/deps.sh run` installs what a Release build of the launcher
# and the host needs (./run.sh); `tools/deps.sh test` (the default) adds the
# compilers, sanitizer runtimes, test, fuzz and benchmark libraries and the
# Python that runs the seed tools (./test.sh). A package goes on one line in
# the list that needs it.
set -euo pipefail

# What building the programs needs: the tools and every library the engine links.
build_packages=(
  build-essential
  cmake
  ninja-build
  pkg-config
  liblua5.1-0-dev
  libtinyxml-dev
  libstb-dev
  libbullet-dev
  libavformat-dev
  libavcodec-dev
  libswscale-dev
  libavutil-dev
  libfreetype-dev
  fonts-dejavu-core
)

# What the tests, fuzz targets and benchmarks need on top.
test_packages=(
  clang
  libclang-rt-14-dev
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  python3
)

case "${1:-test}" in
  run) packages=("${build_packages[@]}") ;;
  test) packages=("${build_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: tools/deps.sh [run|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
