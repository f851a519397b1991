#!/usr/bin/env bash
# The peer of Parallel10k/dns+web+ssl (vantle-bench-gui): the same 10,000 simulated names with the same
# faults and the same 100 ms before every answer, served by sim/vantle-sim-services in a process of its
# own, checked by GNU parallel at -j 64. Each name is one shell that runs at once adnshost for the A
# record, curl for the status of http://NAME/ and curl for the head of https://NAME/ (trusting the
# simulator's CA), each bounded at 3 s. Prints one line: the wall time, against its ideal (the sum of
# the jobs' run times / 64), the memory of parallel's process tree and how many names each check
# answered; the raw output goes to <build>/results/peer-parallel/.
#
#   ./bench/peer-parallel.sh
#
# Run it as root: adnshost cannot be told a resolver's port, so the simulated DNS serves 127.0.0.1:53,
# which must be free. The programs come from ./scripts/setup.sh --peer, which this runs first.
#   VANTLE_PEER_NAMES=1000   a shorter run (default 10000)
#   VANTLE_PEER_BUILD=dir    the build folder to take the simulator from (default build-bench, Release)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh --peer

names=${VANTLE_PEER_NAMES:-10000}
build=${VANTLE_PEER_BUILD:-build-bench}
jobs=64
bound=3
out=$build/results/peer-parallel

if [ ! -f "$build/build.ninja" ]; then
    # As scripts/bench.sh configures it.
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
fi
cmake --build "$build" -j 2 --target vantle-sim-services >/dev/null
mkdir -p "$out"
rm -f "$out"/*

sim_pid=""
stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill -TERM "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
        sim_pid=""
    fi
}
trap stop_sim EXIT

"./$build/sim/vantle-sim-services" --dns-port=53 --names="$names" --delay-ms=100 >"$out/sim.txt" 2>"$out/sim-errors.txt" &
sim_pid=$!
until grep -qx ready "$out/sim.txt" 2>/dev/null; do
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        cat "$out/sim-errors.txt" >&2
        echo "peer-parallel: the simulator did not start" >&2
        sim_pid=""
        exit 1
    fi
    sleep 0.1
done
ca=$(awk '$1 == "ca" { print $2 }' "$out/sim.txt")

# One line per name: the name, its route for port 80 and for port 443 (curl's --connect-to), the route
# of the name itself when the simulator has one, else the route of every other host.
awk '
    $1 == "name" { order[++count] = $2 }
    $1 == "connect-to" {
        split($2, part, ":")
        host = part[1]; port = part[2]
        if (host == "") { every[port] = $2; next }
        if ((port == "" || port == "80") && !(host in http)) http[host] = $2
        if ((port == "" || port == "443") && !(host in https)) https[host] = $2
    }
    END {
        for (i = 1; i <= count; ++i) {
            n = order[i]
            printf "%s\t%s\t%s\n", n, (n in http) ? http[n] : every["80"], (n in https) ? https[n] : every["443"]
        }
    }' "$out/sim.txt" >"$out/names.tsv"

# What one job does. adnshost prints "NAME A ADDRESS" or "; failed <type> <n> <word> NAME ..."; the
# curls print "http NAME <status>" and "https NAME <status>", 000 when no answer came.
peer_one() {
    timeout "$PEER_BOUND" adnshost +e -Fi --config "nameserver 127.0.0.1" -t a - "$1" 2>/dev/null &
    curl -s -o /dev/null -I --max-time "$PEER_BOUND" --connect-timeout "$PEER_BOUND" --connect-to "$2" \
        -w "http $1 %{http_code}\n" "http://$1/" 2>/dev/null &
    curl -s -o /dev/null -I --max-time "$PEER_BOUND" --connect-timeout "$PEER_BOUND" --connect-to "$3" \
        --cacert "$PEER_CA" -w "https $1 %{http_code}\n" "https://$1/" 2>/dev/null &
    wait
}
export -f peer_one
export PEER_BOUND=$bound PEER_CA=$ca PARALLEL_SHELL=/bin/bash

# Samples until it is killed, every 0.25 s, what the processes under root (itself included) hold: the
# sums of their proportional (PSS) and resident (RSS) sets, the largest RSS of one process and how many
# there are. The highest of each so far (KiB, KiB, KiB, count) stand in file, rewritten every sample.
sample_tree() {
    local root=$1 file=$2 pss rss largest procs
    local top_pss=0 top_rss=0 top_largest=0 top_procs=0
    while :; do
        # A stat line: pid (name) state parent ...; parallel gives each job a session of its own, so
        # the tree is found through the parents.
        read -r pss rss largest procs < <(
            cat /proc/[0-9]*/stat 2>/dev/null |
                awk -v root="$root" '
                    { pid = $1; sub(/^.*\) /, ""); parent[pid] = $2 }
                    END {
                        for (pid in parent) {
                            for (p = pid; p != "" && p > 1; p = parent[p]) {
                                if (p == root) { print "/proc/" pid "/smaps_rollup"; break }
                            }
                        }
                    }' |
                xargs -r cat 2>/dev/null |
                awk '/^Rss:/ { rss += $2; n++; if ($2 > largest) largest = $2 }
                     /^Pss:/ { pss += $2 }
                     END { print pss + 0, rss + 0, largest + 0, n + 0 }'
        ) || true
        ((pss > top_pss)) && top_pss=$pss
        ((rss > top_rss)) && top_rss=$rss
        ((largest > top_largest)) && top_largest=$largest
        ((procs > top_procs)) && top_procs=$procs
        echo "$top_pss $top_rss $top_largest $top_procs" >"$file.new"
        mv "$file.new" "$file"
        sleep 0.25
    done
}

echo "peer-parallel: $names names, -j $jobs, ${bound} s per request, load $(cut -d' ' -f1-3 /proc/loadavg)" >&2
start=$EPOCHREALTIME
/usr/bin/time -f "%U %S" -o "$out/cpu.txt" parallel --will-cite -j "$jobs" --colsep '\t' --joblog "$out/joblog.txt" peer_one {1} {2} {3} \
    :::: "$out/names.tsv" >"$out/answers.txt" 2>"$out/parallel-errors.txt" &
run_pid=$!
sample_tree "$run_pid" "$out/memory.txt" &
sampler_pid=$!
status=0
wait "$run_pid" || status=$?
end=$EPOCHREALTIME
kill "$sampler_pid" 2>/dev/null || true
wait "$sampler_pid" 2>/dev/null || true
stop_sim
if [ "$status" -ne 0 ]; then
    echo "peer-parallel: parallel ended with status $status (failed jobs count there; see $out/)" >&2
fi

read -r pss rss largest procs <"$out/memory.txt"
sim_peak=$(awk '$1 == "peak" { print $2 }' "$out/sim.txt")
sim_cpu=$(awk '$1 == "cpu" { print $2 }' "$out/sim.txt")
# The processor time of parallel and of every process it waited for, and theirs (user, system).
tree_cpu=$(awk 'END { print $1 + $2 }' "$out/cpu.txt")
# Answers: an A record, or NXDOMAIN / no A record (what Vantle's IP cell shows as NXDOMAIN, "no A");
# an HTTP status from each curl (000: none came).
answered=$(awk '
    $1 == "http" { if ($3 != "000") http[$2] = 1; next }
    $1 == "https" { if ($3 != "000") https[$2] = 1; next }
    $1 == ";" && $2 == "failed" { if ($5 == "nxdomain" || $5 == "nodata") dns[$6] = 1; next }
    $2 == "A" { dns[$1] = 1 }
    END {
        for (n in dns) d++
        for (n in http) h++
        for (n in https) s++
        printf "dns %d, http %d, https %d", d, h, s
    }' "$out/answers.txt")
jobs_done=$(awk 'NR > 1 { n++ } END { print n + 0 }' "$out/joblog.txt")
ideal=$(awk -v jobs="$jobs" 'NR > 1 { sum += $4 } END { printf "%.1f", sum / jobs }' "$out/joblog.txt")
label="Parallel$([ "$names" = 10000 ] && echo 10k || echo "$names")/parallel+adnshost+curl"
line=$(awk -v start="$start" -v end="$end" -v ideal="$ideal" -v jobs="$jobs" -v pss="$pss" -v rss="$rss" \
    -v largest="$largest" -v procs="$procs" -v sim="$sim_peak" -v sim_cpu="$sim_cpu" -v tree_cpu="$tree_cpu" -v answered="$answered" -v done="$jobs_done" \
    -v names="$names" -v label="$label" 'BEGIN {
        took = end - start
        printf "%s  %.1f s  %.2f x its ideal %s s (the jobs'"'"' run times / %d); " \
               "peak %d MiB (PSS summed over parallel'"'"'s process tree; RSS summed %d MiB, largest process %d MiB, " \
               "at most %d processes); the simulator %s MiB; cpu %.0f s (%.0f s the simulator); %d of %d names; " \
               "answered: %s\n",
               label, took, took / ideal, ideal, jobs, pss / 1024, rss / 1024, largest / 1024, procs, sim, tree_cpu + sim_cpu, sim_cpu, done, names,
               answered
    }')
echo "$line" | tee "$out/../peer-parallel.txt"
