#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer
# (warnings are errors),
# runs every test and then every fuzz target briefly over its seed corpus.
# VELTRIX_JOBS sets the build's and the tests' parallelism (default: all
# cores), VELTRIX_FUZZ_SECONDS each fuzz target's time (default: 5).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/tools/deps.sh" test

build="$here/build-check"
jobs="${VELTRIX_JOBS:-$(nproc)}"
fuzz_seconds="${VELTRIX_FUZZ_SECONDS:-5}"

CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DVELTRIX_SANITIZE=ON -DVELTRIX_FUZZ=ON -DVELTRIX_BENCH=ON -DVELTRIX_WERROR=ON >/dev/null
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$build" -j "$jobs" --output-on-failure

# Fuzz targets: a few seconds each, new inputs go to a scratch corpus. One
# allocation larger than malloc_limit_mb is a finding, however short-lived:
# a file must not cost what its header claims. A video frame of the largest
# texture, the largest block of a media file, is 64 MB. An image is decoded
# whole to RGBA, 256 MB at its largest side (8192 x 8192), and the image
# checks let one that large through only when its bytes could hold it (a
# JPEG needs 128 KB, a PNG of one bit a pixel about 8 KB of well-packed image
# data): a fuzz input that gets there is a legitimate image, not a fault.
malloc_limit_mb=128
rss_limit_mb=2048
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
for target in "$build"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name="$(basename "$target")"
  seeds="$here/fuzz/corpus/${name#fuzz_}"
  mkdir -p "$scratch/$name"
  echo "fuzzing $name for ${fuzz_seconds}s"
  args=("$scratch/$name")
  [ -d "$seeds" ] && args+=("$seeds")
  "$target" -max_total_time="$fuzz_seconds" -malloc_limit_mb="$malloc_limit_mb" -rss_limit_mb="$rss_limit_mb" \
    -print_final_stats=0 "${args[@]}" >"$scratch/$name.log" 2>&1 \
    || { tail -n 60 "$scratch/$name.log"; echo "fuzz target $name failed"; exit 1; }
done
echo "all tests and fuzz targets passed"
