# What the fuzz scripts share; sourced by tests/fuzz/run_fuzz.sh and tests/imagebuf/run_fuzz.sh.

# Prints the clang++ that builds libFuzzer targets, or says it is missing and fails.
find_clangxx() {
  command -v clang++ || command -v clang++-14 || {
    echo "run_fuzz.sh: clang++ is not installed" >&2
    return 2
  }
}

# Runs a built target for SECONDS on a fresh copy of its committed seeds (which stay unchanged),
# with a scratch folder on tmpfs named in SCRATCH_VAR for targets that turn inputs into files.
# Fails on any finding and says where the input is.
# Usage: run_fuzz_target NAME BINARY SEEDS WORK SECONDS MAX_LEN SCRATCH_VAR [LIBFUZZER_ARGS...]
run_fuzz_target() {
  local name=$1 binary=$2 seeds=$3 work=$4 seconds=$5 max_len=$6 scratch_var=$7
  shift 7
  local corpus="$work/corpus"
  rm -rf "$corpus"
  cp -r "$seeds" "$corpus"
  mkdir -p "$work/findings"

  local scratch_root=/dev/shm
  [ -d "$scratch_root" ] && [ -w "$scratch_root" ] || scratch_root=${TMPDIR:-/tmp}
  fuzz_scratch=$(mktemp -d "$scratch_root/fuzz_$name.XXXXXX")
  trap 'rm -rf "$fuzz_scratch"' EXIT

  local status=0
  env "$scratch_var=$fuzz_scratch" "$binary" -max_total_time="$seconds" -max_len="$max_len" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/findings/" "$@" "$corpus" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "run_fuzz.sh: the $name fuzzer found a fault; the input is in $work/findings/" >&2
    return "$status"
  fi
  echo "run_fuzz.sh: no findings for $name in $seconds s"
}
