#!/usr/bin/env bash
# --help and --version of the programs answer on standard output with status 0, without a
# display and without starting anything else: no settings, no lock file, no window.
# Usage: information_options_test.sh VERSION HOST UNITSIM
set -uo pipefail
version=$1 host=$2 unitsim=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/run" "$work/home"
chmod 700 "$work/run"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# run PROGRAM ARGS...: PROGRAM in a bare environment without a display; sets out, err, status.
run() {
    env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
        XDG_RUNTIME_DIR="$work/run" "$@" >"$work/out" 2>"$work/err"
    status=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
}

check() {
    local what=$1 want_first=$2
    [[ $status -eq 0 ]] || fail "$what: status $status, stderr: $err"
    [[ -z $err ]] || fail "$what: stderr: $err"
    [[ ${out%%$'\n'*} == "$want_first" ]] || fail "$what: first line '${out%%$'\n'*}', want '$want_first'"
}

run "$host" --version
check "corvane-host --version" "corvane-host $version"
[[ $out == "corvane-host $version" ]] || fail "corvane-host --version prints more than one line: $out"

run "$host" --help
check "corvane-host --help" "Usage: corvane-host [--help | --version]"
[[ $out == *"--version"* ]] || fail "corvane-host --help does not list --version"

# The information options win wherever they stand among Qt's own options.
run "$host" -platform xcb --version
check "corvane-host -platform xcb --version" "corvane-host $version"

run "$unitsim" --version
check "corvane-unitsim --version" "corvane-unitsim $version"

run "$unitsim" --help
check "corvane-unitsim --help" "Usage: corvane-unitsim [--link PATH] [--state FILE] [--pace] [--preload-demo] [faults...]"
[[ $out == *"--version"* ]] || fail "corvane-unitsim --help does not list --version"

# Nothing was started: no settings written, no single-instance lock taken.
leftovers=$(find "$work/config" "$work/run" "$work/home" -mindepth 1)
[[ -z $leftovers ]] || fail "files made: $leftovers"

if ((failures > 0)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "information option checks passed"
