#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Usage: ./test.sh
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
install_missing_packages

jobs=2
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")
