#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suite, the same suite again built
# with AddressSanitizer and UndefinedBehaviorSanitizer, bounded fuzzing runs of the image
# readers and the other readers of outside input, and the Debian package built, checked,
# installed and removed again (as root or through sudo). Any failure or finding fails the run.
# Usage: ./test.sh
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
install_missing_packages

jobs=2
export QT_QPA_PLATFORM=offscreen

step() { printf '\n== %s (%s)\n' "$1" "$(date +%T)"; }

# A compiler cache, where the machine has one, serves a clone in any folder: paths below the
# clone's parent are hashed relative to it, and the build folder's own path not at all (the
# debug information then names the folder of the build that filled the cache).
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd .. && pwd)} CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

step "Build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build -j"$jobs"

step "Tests"
(cd build && ctest --output-on-failure -j"$jobs")

step "Debian package: build, lintian, install, remove"
tools/check_package.sh build

step "Build with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON "${launcher[@]}" >/dev/null
cmake --build build-asan -j"$jobs"

step "Tests under the sanitizers"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  LSAN_OPTIONS=suppressions="$PWD/../tests/lsan.supp":print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j"$jobs")

step "Fuzzing the image readers: S-records and Intel HEX, then ELF"
# Two at a time, one for each core; each writes its own log, shown when it fails.
# Usage: fuzz_pair SCRIPT SECONDS TARGET...
fuzz_pair() {
  local script=$1 seconds=$2 pids=() failed=0
  shift 2
  for t in "$@"; do
    "$script" "$t" "$seconds" build >"build/fuzz_$t.log" 2>&1 &
    pids+=($!)
  done
  for i in "${!pids[@]}"; do
    if ! wait "${pids[$i]}"; then
      cat "build/fuzz_${*:$((i + 1)):1}.log" >&2
      failed=1
    else
      tail -n 1 "build/fuzz_${*:$((i + 1)):1}.log"
    fi
  done
  return "$failed"
}
fuzz_pair tests/imagebuf/run_fuzz.sh 30 srec ihex
fuzz_pair tests/imagebuf/run_fuzz.sh 30 elf

step "Fuzzing the reply and page record, the receive handler, the settings reader and the clock text"
fuzz_pair tests/fuzz/run_fuzz.sh 20 reply receive
fuzz_pair tests/fuzz/run_fuzz.sh 20 settings clocktext
