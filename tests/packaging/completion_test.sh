#!/usr/bin/env bash
# The bash completion of corvane-flash, driven the way bash drives it (COMP_WORDS, COMP_CWORD).
# A stub corvane-flash on PATH stands in for the catalogue. Usage: completion_test.sh SCRIPT
set -uo pipefail
script=$1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/files/images" "$work/files/old.mot.d"
cat >"$work/bin/corvane-flash" <<'EOF'
#!/bin/sh
[ "$1" = cpus ] || exit 2
printf 'code  name  listed\n'
printf '0  H8/3048F  yes\n1  H8/3048ONE  no\n2  H8S/2138  yes\n3  SH7045F  yes\n'
EOF
chmod +x "$work/bin/corvane-flash"
touch "$work/files/blink.mot" "$work/files/BOOT.MOT" "$work/files/monitor.s" \
  "$work/files/notes.txt" "$work/files/blink.mot.bak" "$work/files/images/a.mot" "$work/files/line.toml"
PATH="$work/bin:$PATH"

# shellcheck source=/dev/null
source "$script"

failures=0

# complete LINE: the candidates for the last word of LINE (split at blanks, a final blank
# starting an empty word; '=' is its own word, as COMP_WORDBREAKS makes it), sorted, one line.
complete_line() {
    local line=$1
    local -a words
    read -ra words <<<"${line//=/ = }"
    [[ $line == *' ' || $line == *= ]] && words+=("")
    COMP_WORDS=("${words[@]}")
    COMP_CWORD=$((${#words[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    _corvane_flash corvane-flash "${words[COMP_CWORD]}" "${words[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | LC_ALL=C sort -u | tr '\n' ' ' | sed 's/ $//'
}

expect() {
    local line=$1 want=$2 got
    got=$(complete_line "$line")
    if [[ $got != "$want" ]]; then
        printf 'FAIL: "%s"\n  want: %s\n  got:  %s\n' "$line" "$want" "$got"
        failures=$((failures + 1))
    fi
}

all_options='--clock --cpu --help --json --log --page --port --product --quiet --record --speed --thru --tls-ca --tls-cert --tls-key --trace --version --yes'

# Commands, and options wherever a dash starts the word.
expect 'corvane-flash ' 'check cpus info plan ports record write'
expect 'corvane-flash p' 'plan ports'
expect 'corvane-flash ports --' '--json --set --unset'
expect 'corvane-flash -' "$all_options"
expect 'corvane-flash --p' '--page --port --product'
expect 'corvane-flash write --y' '--yes'
expect 'corvane-flash --json info --q' '--quiet'

# Values of the options that take one, also after '='.
expect 'corvane-flash --page ' '1 2 3 4 thru'
expect 'corvane-flash --page t' 'thru'
expect 'corvane-flash --page=' '1 2 3 4 thru'
expect 'corvane-flash --page=t' 'thru'
expect 'corvane-flash --speed ' '38400 9600'
expect 'corvane-flash --speed 3' '38400'
expect 'corvane-flash --clock ' ''
expect 'corvane-flash --cpu ' 'H8/3048F H8/3048ONE H8S/2138 SH7045F'
expect 'corvane-flash --cpu h8/3' 'H8/3048F H8/3048ONE'
expect 'corvane-flash --cpu=sh' 'SH7045F'
expect 'corvane-flash write --cpu H8S' 'H8S/2138'
expect 'corvane-flash --port 5' '5'
expect 'corvane-flash --port rf' 'rfc2217://'

# --port: the numbers and the serial devices the machine has, never the virtual consoles.
ports=$(complete_line 'corvane-flash --port ')
for n in 1 2 3 4 5 6 7 8; do
    [[ " $ports " == *" $n "* ]] || { echo "FAIL: --port lacks $n: $ports"; failures=$((failures + 1)); }
done
devices=$(complete_line 'corvane-flash --port /dev/tty')
want_devices=$(for d in /dev/tty*; do
    [[ $d == /dev/tty || $d == /dev/tty[0-9]* ]] || echo "$d"
done | LC_ALL=C sort -u | tr '\n' ' ' | sed 's/ $//')
[[ $devices == "$want_devices" ]] ||
    { printf 'FAIL: --port /dev/tty\n  want: %s\n  got:  %s\n' "$want_devices" "$devices"; failures=$((failures + 1)); }

# FILE: S-record files and folders, after write and plan only, and only once.
cd "$work/files"
expect 'corvane-flash write ' 'BOOT.MOT blink.mot images monitor.s old.mot.d'
expect 'corvane-flash write blink.mot --log n' 'notes.txt' # any file, not only S-records
expect 'corvane-flash --page 2 plan b' 'blink.mot'
expect 'corvane-flash --page=2 --cpu SH7045F write m' 'monitor.s'
expect 'corvane-flash write images/' 'images/a.mot'
expect 'corvane-flash write blink.mot ' ''
expect 'corvane-flash info ' ''
expect 'corvane-flash cpus ' ''
# A value is not taken for the command.
expect 'corvane-flash --port 3 ' 'check cpus info plan record write'
expect 'corvane-flash check --product l' 'line.toml'

# The completion is registered for the command.
complete -p corvane-flash | grep -q -- '-F _corvane_flash' ||
    { echo "FAIL: not registered for corvane-flash"; failures=$((failures + 1)); }

if ((failures > 0)); then
    echo "$failures completion check(s) failed"
    exit 1
fi
echo "completion checks passed"
