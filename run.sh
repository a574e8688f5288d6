#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it. Usage: ./run.sh
set -euo pipefail
cd "$(dirname "$0")"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: there is no display to show the window on (\$DISPLAY and \$WAYLAND_DISPLAY are empty)." >&2
  echo "Run it from a desktop session, or headless on a virtual display:  xvfb-run -a ./run.sh" >&2
  exit 1
fi

source tools/deps.sh
install_missing_packages

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target corvane-host
exec build/src/main/corvane-host
