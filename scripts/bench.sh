#!/usr/bin/env bash
# Builds the benchmarks in Release (build-bench/) and runs them: the core (Punycode, the HTTP client,
# the toolbar checksum) and the windows and files (list import, CSV export, table, check run), each
# beside its peer, with a table of ratios at the end. The console output and Google Benchmark's JSON go
# to build-bench/results/. Takes about five minutes; the check run alone sleeps 20 s per repetition.
#
#   VANTLE_BENCH_REPETITIONS=5 ./scripts/bench.sh     more repetitions (default 3; medians are reported)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

reps=${VANTLE_BENCH_REPETITIONS:-3}
out=build-bench/results
export QT_QPA_PLATFORM=offscreen

# -O2: GCC 12 at -O3 reports false -Wrestrict warnings inside std::string, and warnings are errors.
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
cmake --build build-bench -j 2 --target vantle-bench-core vantle-bench-gui vantle-bench-engine
mkdir -p "$out"

describe() {
    echo "date:     $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "cpu:      $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //') ($(nproc) cores)"
    echo "memory:   $(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"
    echo "os:       $(. /etc/os-release && echo "$PRETTY_NAME"), kernel $(uname -r)"
    echo "compiler: $(c++ --version | head -1)"
    echo "load:     $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) before the run"
}

describe | tee "$out/machine.txt"
for part in core gui; do
    echo
    echo "== vantle-bench-$part"
    "./build-bench/bench/vantle-bench-$part" --benchmark_repetitions="$reps" \
        --benchmark_out="$out/$part.json" \
        --benchmark_out_format=json --benchmark_color=false | tee "$out/$part.txt"
done
echo
echo "== vantle-bench-engine"
./build-bench/bench/vantle-bench-engine | tee "$out/engine.txt"
echo
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$out/machine.txt"
echo "Results in $out/"
