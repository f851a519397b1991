#!/usr/bin/env bash
# The store of answers beside a whole run: vantle-cli ranks 100,000 names against a 1,000,000-line
# top-sites list (a local check, the fastest run there is, so the store's share is at its largest),
# with the store and with --no-history, one after the other, several times. The first run with the
# store meets an empty one; each later one compares every row with the run before it. Prints the
# wall time and user + system time of each run, and how much more the runs with the store took: the
# medians, the least (on a shared machine the least is the run that waited least for a core), and the
# median of each pair of runs side by side.
#
#   ./bench/history-run.sh
#
#   VANTLE_HIST_NAMES=100000   how many names
#   VANTLE_HIST_STEM=n         the names are STEM0.example, STEM1.example, ...: a stem such as
#                              expired-domain-name- gives names of about 30 characters, as real lists
#                              have (a short name fits in a string's own room, a long one does not)
#   VANTLE_HIST_ROUNDS=9       how many runs of each kind
#   VANTLE_HIST_BUILD=dir      the build folder (default build-bench, Release)
#   VANTLE_HIST_DEPTH=N        each run with the store meets a store holding N earlier runs (default:
#                              the store grows, one run deeper each time; a run's writes grow with it)
set -euo pipefail
cd "$(dirname "$0")/.."

names=${VANTLE_HIST_NAMES:-100000}
stem=${VANTLE_HIST_STEM:-n}
depth=${VANTLE_HIST_DEPTH:-}
rounds=${VANTLE_HIST_ROUNDS:-9}
build=${VANTLE_HIST_BUILD:-build-bench}

if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
fi
cmake --build "$build" -j 2 --target vantle-cli >/dev/null
cli=$(find "$build" -name vantle-cli -type f -perm -u+x | head -1)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk -v s="$stem" 'BEGIN { for (i = 0; i < 1000000; i++) printf "%d,%s%d.example\n", i + 1, s, 2 * i }' >"$work/top.csv"
awk -v n="$names" -v s="$stem" 'BEGIN { for (i = 0; i < n; i++) printf "%s%d.example\n", s, i }' >"$work/list.txt"
export XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR"

run() {  # kind, extra arguments...
    local kind=$1
    shift
    # The wall time to the millisecond from the shell's clock (time's hundredths are 2 % of a run).
    local start=$EPOCHREALTIME
    /usr/bin/time -f "%U %S" -o "$work/time" \
        "$cli" -q --checks rank --top-list "$work/top.csv" -o "$work/out.csv" "$@" "$work/list.txt"
    local end=$EPOCHREALTIME
    read -r user sys <"$work/time"
    echo "$kind $(echo "$end - $start" | bc | xargs printf "%.3f") $(echo "$user + $sys" | bc)" |
        tee -a "$work/results"
}

echo "kind wall cpu   ($names names like ${stem}0.example${depth:+, a store $depth runs deep}; load $(cut -d' ' -f1-3 /proc/loadavg))"
run warm-up --no-history >/dev/null
if [ -n "$depth" ]; then
    for _ in $(seq "$depth"); do
        run filling >/dev/null
    done
    cp -r "$XDG_DATA_HOME" "$work/deep"
fi
for _ in $(seq "$rounds"); do
    run without --no-history
    if [ -n "$depth" ]; then
        rm -rf "$XDG_DATA_HOME"
        cp -r "$work/deep" "$XDG_DATA_HOME"
        # A store a run closed is on the disk; a copy just made is not, and the run's first sync of
        # it would write the whole file (some 10 ms for 14 MB) and count it as the store's.
        sync
    fi
    run with
done
median() { grep "^$1 " "$work/results" | cut -d' ' -f2 | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
least() { grep "^$1 " "$work/results" | cut -d' ' -f2 | sort -n | head -1; }
percent() { echo "scale=4; 100 * ($2 / $1 - 1)" | bc | xargs printf "%.1f"; }
without=$(median without)
with=$(median with)
echo "median wall: without $without s, with $with s: $(percent "$without" "$with") % more"
echo "least wall:  without $(least without) s, with $(least with) s: $(percent "$(least without)" "$(least with)") % more"
# Each run with the store beside the run without it just before: the load of a shared machine drifts
# over a minute, and a pair sees nearly the same.
paired=$(awk '$1 == "without" { w = $2 } $1 == "with" && w > 0 { print 100 * ($2 / w - 1) }' "$work/results" |
    sort -n | awk '{ v[NR] = $1 } END { printf "%.1f", v[int((NR + 1) / 2)] }')
echo "paired:      the median of each run with the store over the run without it before it: $paired % more"
echo "store: $(du -h "$XDG_DATA_HOME/vantle/history.sqlite" | cut -f1), load after: $(cut -d' ' -f1-3 /proc/loadavg)"
