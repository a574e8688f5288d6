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

source "$here/../fuzz/fuzz_common.sh"
clangxx=$(find_clangxx)
"$clangxx" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$src" "$here/fuzz_srec.cpp" \
  "$src/imagebuf/imagebuf.cpp" "$src/imagebuf/SRecordFile.cpp" "$src/imagebuf/SRecordLoader.cpp" \
  -o "$work/fuzz_srec"

# The inputs become files in the scratch folder.
run_fuzz_target srec "$work/fuzz_srec" "$here/fuzz_corpus" "$work" "$seconds" 8192 FUZZ_SREC_DIR
