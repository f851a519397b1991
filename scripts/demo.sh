#!/usr/bin/env bash
# Installs what is missing, builds the program and starts the demo: the main window against the
# bundled simulator of the web services on a loopback port.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target vantle-demo
exec ./build/src/app/vantle-demo "$@"
