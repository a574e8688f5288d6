#!/usr/bin/env bash
# Builds one of the parsers' fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for SECONDS on a fresh copy of its committed seed
# corpus (which stays unchanged). Exits non-zero on any finding: a crash, a sanitizer report,
# a broken promise, a leak or a time-out. Further arguments go to libFuzzer (-runs=N, -jobs=1).
# Usage: tests/fuzz/run_fuzz.sh TARGET SECONDS [BUILD_DIR [LIBFUZZER_ARGS...]]
#   TARGET: reply, receive, settings or clocktext.
#   The target and its findings go to BUILD_DIR/fuzz_TARGET, or to a new folder in /tmp.
set -euo pipefail

target=${1:?usage: run_fuzz.sh TARGET SECONDS [BUILD_DIR [LIBFUZZER_ARGS...]]}
seconds=${2:?usage: run_fuzz.sh TARGET SECONDS [BUILD_DIR [LIBFUZZER_ARGS...]]}
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../../src" && pwd)

# The project sources each target needs.
case "$target" in
  reply) sources=(link/Protocol.cpp shared/Module1.cpp main/PageRecord.cpp main/DeviceCatalogue.cpp) ;;
  receive) sources=(link/ReceiveHandler.cpp shared/Module1.cpp) ;;
  settings) sources=(shared/Settings.cpp) ;;
  clocktext) sources=(main/ClockText.cpp) ;;
  *) echo "run_fuzz.sh: unknown target $target" >&2; exit 2 ;;
esac

build=""
if [ $# -ge 3 ]; then
  build="$3"
  shift 3
else
  shift 2
fi
if [ -n "$build" ]; then
  work="$build/fuzz_$target"
  mkdir -p "$work"
else
  work=$(mktemp -d "/tmp/fuzz_$target.XXXXXX")
fi
work=$(cd "$work" && pwd)

source "$here/fuzz_common.sh"
clangxx=$(find_clangxx)
read -r -a qt <<<"$(pkg-config --cflags --libs Qt6Core)"
moc=$(pkg-config --variable=libexecdir Qt6Core 2>/dev/null)/moc
[ -x "$moc" ] || moc=/usr/lib/qt6/libexec/moc

# What the project build generates: the version header and the port control's meta-object code.
mkdir -p "$work/include/shared"
sed -e 's/@PROJECT_VERSION_[A-Z]*@/0/' "$src/shared/Version.h.in" >"$work/include/shared/Version.h"
"$moc" "$src/link/MSComm.h" -o "$work/moc_MSComm.cpp"

full=()
for s in "${sources[@]}"; do full+=("$src/$s"); done
"$clangxx" -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$src" -I"$work/include" "$here/fuzz_$target.cpp" "${full[@]}" "$work/moc_MSComm.cpp" \
  "${qt[@]}" -o "$work/fuzz_$target"

# The settings target writes a file for every input into its scratch folder.
run_fuzz_target "$target" "$work/fuzz_$target" "$here/corpus/$target" "$work" "$seconds" 4096 \
  FUZZ_SETTINGS_DIR "$@"
