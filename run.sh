#!/usr/bin/env bash
# Installs what is missing, builds, and starts Corvane-Host against the simulated programmer
# unit, with a configuration folder of its own (your real settings are never touched) and the
# sample S-record files ready to choose. Closing the program stops the simulated unit.
# Usage: ./run.sh
set -euo pipefail
cd "$(dirname "$0")"
repo=$PWD

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
run.sh: there is no display to show the window on ($DISPLAY and $WAYLAND_DISPLAY are empty).
  - On a desktop, run it from a terminal inside your desktop session.
  - Over ssh, connect with X forwarding: ssh -X host, then ./run.sh
  - Headless, run it on a virtual display: xvfb-run -a ./run.sh
    (xvfb-run comes with the xvfb package: sudo apt-get install xvfb)
MSG
  exit 1
fi

source tools/deps.sh
install_missing_packages

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target corvane-host corvane-unitsim

# The demo's own folders: settings, the COM1 link to the simulated unit, and a runtime folder so
# that a real instance of the program elsewhere does not count as "already running".
demo=$repo/build/demo
config=$demo/config
runtime=$demo/runtime
mkdir -p "$config/Corvane-Host" "$runtime"
chmod 700 "$runtime"
settings=$config/Corvane-Host/Corvane-Host.conf
if [ ! -f "$settings" ]; then
  cat > "$settings" <<INI
[Settings]
File=$repo/samples/blink-3048f.mot
Port=1
Speed=1
INI
fi

# The unit keeps its pages in a state file, so what you write is still there next time.
build/tools/unitsim/corvane-unitsim --link "$config/Corvane-Host/ports/COM1" \
  --state "$demo/unit-pages.bin" --preload-demo --pace --erase-ms 300 --quiet --exit-with-pid $$ &
unit=$!
trap 'kill "$unit" 2>/dev/null || true; wait "$unit" 2>/dev/null || true' EXIT

for _ in $(seq 50); do
  [ -L "$config/Corvane-Host/ports/COM1" ] && break
  sleep 0.1
done

echo "Corvane-Host is running against the simulated unit on Com1."
echo "Sample files: $repo/samples (use 参照 to choose one)."
XDG_CONFIG_HOME=$config XDG_RUNTIME_DIR=$runtime build/src/main/corvane-host
