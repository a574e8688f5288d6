#!/usr/bin/env bash
# Builds the S-record loader's fuzz target with clang and runs it for SECONDS on a fresh copy
# of the committed seed corpus (which stays unchanged). Exits non-zero on any finding: a
# crash, a sanitizer report, a broken promise of the call interface, a leak or a time-out.
# Usage: tests/imagebuf/run_fuzz.sh SECONDS [BUILD_DIR]
#   The target and its findings go to BUILD_DIR/fuzz_imagebuf, or to a new folder in /tmp.
set -euo pipefail

seconds=${1:?usage: run_fuzz.sh SECONDS [BUILD_DIR]}
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../../src" && pwd)

if [ $# -ge 2 ]; then
  work="$2/fuzz_imagebuf"
  mkdir -p "$work"
else
  work=$(mktemp -d /tmp/fuzz_imagebuf.XXXXXX)
fi
work=$(cd "$work" && pwd)

clangxx=$(command -v clang++ || command -v clang++-14) || {
  echo "run_fuzz.sh: clang++ is not installed" >&2
  exit 2
}
"$clangxx" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$src" "$here/fuzz_srec.cpp" \
  "$src/imagebuf/imagebuf.cpp" "$src/imagebuf/SRecordFile.cpp" "$src/imagebuf/SRecordLoader.cpp" \
  -o "$work/fuzz_srec"

corpus="$work/corpus"
rm -rf "$corpus"
cp -r "$here/fuzz_corpus" "$corpus"
mkdir -p "$work/findings"

# The inputs become files; tmpfs keeps that cheap.
scratch_root=/dev/shm
[ -d "$scratch_root" ] && [ -w "$scratch_root" ] || scratch_root=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$scratch_root/fuzz_imagebuf.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

status=0
FUZZ_SREC_DIR="$scratch" "$work/fuzz_srec" -max_total_time="$seconds" -max_len=8192 \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$work/findings/" "$corpus" || status=$?
if [ "$status" -ne 0 ]; then
  echo "run_fuzz.sh: the fuzzer found a fault; the input is in $work/findings/" >&2
  exit "$status"
fi
echo "run_fuzz.sh: no findings in $seconds s"
