#!/usr/bin/env bash
# Builds the Debian package in a configured build folder and proves it the way a user meets it:
# the desktop entry and the AppStream metadata validate, lintian finds no error, the package
# installs with apt-get, its programs and manual pages work from the installed files, and
# apt-get remove leaves none of its files behind.
# It installs into /usr and removes the package again: run it as root (or with sudo), on a
# machine where corvane-host is not installed from a package already.
# Usage: tools/check_package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

say() { printf -- '-- %s\n' "$*"; }
fail() { printf 'check_package: %s\n' "$*" >&2; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "$build is not a configured build folder"
deb="$PWD/$build/corvane-host_${version}_$(dpkg --print-architecture).deb"

if dpkg-query -W -f='${db:Status-Abbrev}' corvane-host 2>/dev/null | grep -q '^[ir]'; then
    fail "corvane-host is installed as a package already; remove it first"
fi

work=$(mktemp -d)
installed=0
cleanup() {
    if [ "$installed" -eq 1 ]; then
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq corvane-host >/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

say "package"
rm -f "$deb"
cmake --build "$build" -j2 --target package >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; }
[ -f "$deb" ] || fail "no $deb"
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -c "$deb" >"$work/contents"

depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "   Depends: $depends"
echo "   Recommends: $recommends"
[[ $depends == *libqt6core6* && $depends == *libc6* ]] || fail "Depends not computed from the programs"
[[ $recommends == *fonts-noto-cjk* ]] || fail "no Japanese font in Recommends"
[[ $depends == *libqt6sql6-sqlite* ]] || fail "no SQLite driver for the record in Depends"

say "desktop entry and AppStream metadata"
desktop-file-validate "$work/root/usr/share/applications/corvane-host.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/corvane-host.metainfo.xml"

say "lintian"
# Errors fail the check; warnings are shown.
lint=0
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || lint=$?
grep -v '^running with root privileges' "$work/lintian" | sed 's/^/   /' || true
[ "$lint" -eq 0 ] || fail "lintian reports errors"

say "install"
# Folders the package may create, as they are before it comes: those that are new must go again.
awk '$1 ~ /^d/ {sub(/^\./, "", $6); print $6}' "$work/contents" | sed 's|/$||' | sed '/^$/d' >"$work/dirs"
while read -r dir; do [ -e "$dir" ] && echo "$dir"; done <"$work/dirs" >"$work/dirs-before"
installed=1
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get install failed"; }

say "installed programs and manual pages"
[ "$(/usr/bin/corvane-host --version)" = "corvane-host $version" ] || fail "corvane-host --version"
/usr/bin/corvane-unitsim --help | grep -q '^Usage: corvane-unitsim' || fail "corvane-unitsim --help"
programs=(corvane-host corvane-unitsim)
if grep -q ' \./usr/bin/corvane-flash$' "$work/contents"; then
    programs+=(corvane-flash)
    [ "$(/usr/bin/corvane-flash --version)" = "corvane-flash $version" ] || fail "corvane-flash --version"
    man -P cat corvane-flash 2>/dev/null | grep -q '^EXIT STATUS' || fail "man corvane-flash: no EXIT STATUS"
    if [ -f /usr/share/bash-completion/bash_completion ]; then
        bash -c 'source /usr/share/bash-completion/bash_completion && __load_completion corvane-flash &&
                 complete -p corvane-flash' | grep -q -- '-F _corvane_flash' ||
            fail "bash-completion does not load the completion of corvane-flash"
    fi
fi
for program in "${programs[@]}"; do
    [ "$(man -w "$program")" = "/usr/share/man/man1/$program.1.gz" ] || fail "man -w $program: $(man -w "$program")"
    man -P cat "$program" 2>/dev/null | grep -q "^NAME" || fail "man $program"
    man -P cat "$program" 2>/dev/null | grep -q "$version" || fail "man $program lacks the version"
done
echo "   ${programs[*]}: --version, --help and manual pages fine"

say "remove"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq corvane-host >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get remove failed"; }
installed=0
left=$(awk '$1 !~ /^d/ {sub(/^\./, "", $6); print $6}' "$work/contents" |
    while read -r file; do [ -e "$file" ] || [ -L "$file" ] && echo "$file"; done || true)
[ -z "$left" ] || fail "files left after removal: $left"
new_dirs_left=$(while read -r dir; do [ -e "$dir" ] && echo "$dir"; done <"$work/dirs" |
    grep -vxF -f "$work/dirs-before" || true)
[ -z "$new_dirs_left" ] || fail "folders left after removal: $new_dirs_left"
echo "   $(grep -vc '^d' "$work/contents") files and the package's own folders gone"
