#!/usr/bin/env bash
# Takes docs/screenshot.png: the demo loads a sample list, runs it against the simulator and saves a
# picture of its window, under the offscreen platform (no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target vantle-demo
QT_QPA_PLATFORM=offscreen ./build/src/app/vantle-demo --screenshot docs/screenshot.png
echo "docs/screenshot.png written"
