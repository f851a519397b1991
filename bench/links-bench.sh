#!/usr/bin/env bash
# The links check's pass over a synthetic web graph ranks file of 10,000,000 lines (gzip, the real
# format) with a list of 100,000 names: one pass per run, the index built once and its lookups, and
# zcat | awk, each with its wall time and peak memory (docs/PERFORMANCE.md). The file is written once
# into build-bench/ (about 350 MiB) and kept for the next run.
#
#   bench/links-bench.sh [LINES [NAMES]]
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-10000000}
names=${2:-100000}
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
cmake --build build-bench -j 2 --target links-bench
file=build-bench/ranks-$lines.txt.gz
if [ ! -s "$file" ]; then
    echo "writing $file"
    ./build-bench/bench/links-bench write "$file.part" "$lines"
    mv "$file.part" "$file"
fi
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min)"
./build-bench/bench/links-bench measure "$file" "$names"
