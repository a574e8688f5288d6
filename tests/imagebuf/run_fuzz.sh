#!/usr/bin/env bash
# Builds one of the image readers' fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for SECONDS on a fresh copy of its committed seed
# corpus (which stays unchanged). Exits non-zero on any finding: a crash, a sanitizer report,
# a broken promise of the call interface, a leak or a time-out.
# Usage: tests/imagebuf/run_fuzz.sh TARGET SECONDS [BUILD_DIR]
#   TARGET: srec (S-records), ihex (Intel HEX) or elf.
#   The target and its findings go to BUILD_DIR/fuzz_TARGET, or to a new folder in /tmp.
set -euo pipefail

target=${1:?usage: run_fuzz.sh TARGET SECONDS [BUILD_DIR]}
seconds=${2:?usage: run_fuzz.sh TARGET SECONDS [BUILD_DIR]}
case "$target" in
  srec | ihex | elf) ;;
  *) echo "run_fuzz.sh: unknown target $target" >&2; exit 2 ;;
esac
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../../src" && pwd)

if [ $# -ge 3 ]; then
  work="$3/fuzz_$target"
  mkdir -p "$work"
else
  work=$(mktemp -d "/tmp/fuzz_$target.XXXXXX")
fi
work=$(cd "$work" && pwd)

source "$here/../fuzz/fuzz_common.sh"
clangxx=$(find_clangxx)
# Every reader is linked in: the format is told by content, so each target reaches them all.
read -r -a libs <<<"$(pkg-config --cflags --libs libelf libcrypto)"
"$clangxx" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$src" "$here/fuzz_$target.cpp" "$src"/imagebuf/*.cpp "${libs[@]}" -o "$work/fuzz_$target"

# The inputs become files in the scratch folder.
run_fuzz_target "$target" "$work/fuzz_$target" "$here/fuzz_corpus/$target" "$work" "$seconds" \
  8192 FUZZ_IMAGE_DIR
