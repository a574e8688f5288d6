#!/usr/bin/env bash
# Makes docs/screenshot.png: the main window after a memory check against the simulated unit,
# on a virtual display. Usage: tools/screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
out=${1:-docs/screenshot.png}

source tools/deps.sh
CORVANE_PACKAGES+=(xvfb xauth xdotool imagemagick)
install_missing_packages
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target corvane-host corvane-unitsim >/dev/null

work=$(mktemp -d)
mkdir -p "$work/config/Corvane-Host" "$work/runtime"
chmod 700 "$work/runtime"
printf '[Settings]\nFile=%s\nPort=1\nSpeed=1\nMainLeft=150\nMainTop=150\n' \
  "samples/blink-3048f.mot" > "$work/config/Corvane-Host/Corvane-Host.conf"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 >/dev/null 2>&1 &
xvfb=$!
build/tools/unitsim/corvane-unitsim --link "$work/config/Corvane-Host/ports/COM1" --preload-demo --quiet >/dev/null &
unit=$!
cleanup() { kill "$app" "$unit" "$xvfb" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
sleep 1

DISPLAY=$display XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime build/src/main/corvane-host &
app=$!
window=""
for _ in $(seq 50); do
  window=$(DISPLAY=$display xdotool search --name '^Corvane-Host$' 2>/dev/null | head -n1) && [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "screenshot.sh: the window did not appear" >&2; exit 1; }
sleep 1
# Press メモリー確認 (its place in the window: 5100 + 1155/2, 3780 + 315/2 twips, below the menu bar).
eval "$(DISPLAY=$display xdotool getwindowgeometry --shell "$window")"
DISPLAY=$display xdotool mousemove $((X + 378)) $((Y + HEIGHT - 20)) click 1
sleep 2
DISPLAY=$display import -window "$window" "$out"
echo "wrote $out"
