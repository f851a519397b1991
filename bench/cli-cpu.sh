#!/usr/bin/env bash
# Processor time per name of vantle-cli with the DNS, web and certificate checks, against the simulated
# services of the long-list benchmark in a process of their own (sim/vantle-sim-services), beside its
# peer on the same names in the same run: GNU parallel with, per name, adnshost for the A record, curl
# for http://NAME/ and curl for the head of https://NAME/ (as bench/peer-parallel.sh). The simulator's
# own time is not counted on either side. Both bound each check at 3 s and trust the system's
# certificates and the simulator's CA (one bundle of some 140 certificates, as on a user's machine). Prints one line per subject: the names, the wall time and the
# user + system time of the subject's process tree, per name.
#
#   ./bench/cli-cpu.sh
#
#   VANTLE_CPU_NAMES=1000   how many names (default 1000)
#   VANTLE_CPU_BUILD=dir    the build folder (default build-bench, Release); vantle-cli-sim comes from it
#   VANTLE_CPU_PEER=0       leave out the peer (it needs root, a free port 53 and ./scripts/setup.sh --peer)
set -euo pipefail
cd "$(dirname "$0")/.."

names=${VANTLE_CPU_NAMES:-1000}
build=${VANTLE_CPU_BUILD:-build-bench}
peer=${VANTLE_CPU_PEER:-1}
out=$build/results/cli-cpu

if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
fi
cmake --build "$build" -j 2 --target vantle-sim-services vantle-cli-sim >/dev/null
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

start_sim() {
    "./$build/sim/vantle-sim-services" "$@" --names="$names" --delay-ms=20 >"$out/sim.txt" 2>"$out/sim-errors.txt" &
    sim_pid=$!
    until grep -qx ready "$out/sim.txt" 2>/dev/null; do
        if ! kill -0 "$sim_pid" 2>/dev/null; then
            cat "$out/sim-errors.txt" >&2
            echo "cli-cpu: the simulator did not start" >&2
            exit 1
        fi
        sleep 0.1
    done
}

# One line: label, names, wall seconds, cpu seconds (user + system) of the subject.
report() {
    awk -v label="$1" -v names="$names" -v wall="$2" -v cpu="$3" 'BEGIN {
        printf "%-28s %d names  wall %.1f s  cpu %.2f s  %.2f ms a name\n", label, names, wall, cpu, cpu * 1000 / names
    }'
}

start_sim
# The trusted certificates as a user's machine has them: the system's bundle and the simulator's CA.
trusted() {
    cat /etc/ssl/certs/ca-certificates.crt "$(awk '$1 == "ca" { print $2 }' "$out/sim.txt")" >"$out/trusted.pem"
}
trusted
args=(--sim-timeout-ms=3000 --sim-dns="$(awk '$1 == "dns" { print $2 }' "$out/sim.txt")" --sim-ca="$out/trusted.pem")
while read -r route; do
    args+=(--sim-connect-to="$route")
done < <(awk '$1 == "connect-to" { print $2 }' "$out/sim.txt")
awk '$1 == "name" { print $2 }' "$out/sim.txt" >"$out/names.txt"

start=$EPOCHREALTIME
/usr/bin/time -f "%U %S" -o "$out/cpu.txt" "./$build/tests/cli/vantle-cli-sim" "${args[@]}" \
    --checks dns,web,ssl --parallel 64 -q -o "$out/result.csv" "$out/names.txt" 2>"$out/cli-errors.txt" || true
end=$EPOCHREALTIME
report "vantle-cli dns,web,ssl" "$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')" \
    "$(awk '{ print $1 + $2 }' "$out/cpu.txt")" | tee "$out/../cli-cpu.txt"
stop_sim

if [ "$peer" = 1 ]; then
    # The peer asks the resolver at 127.0.0.1:53 (adnshost cannot be told a port).
    start_sim --dns-port=53
    trusted
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
    peer_one() {
        timeout 3 adnshost +e -Fi --config "nameserver 127.0.0.1" -t a - "$1" >/dev/null 2>&1 &
        curl -s -o /dev/null -I --max-time 3 --connect-timeout 3 --connect-to "$2" "http://$1/" 2>/dev/null &
        curl -s -o /dev/null -I --max-time 3 --connect-timeout 3 --connect-to "$3" --cacert "$PEER_CA" \
            "https://$1/" 2>/dev/null &
        wait
    }
    export -f peer_one
    export PEER_CA=$out/trusted.pem PARALLEL_SHELL=/bin/bash
    start=$EPOCHREALTIME
    /usr/bin/time -f "%U %S" -o "$out/peer-cpu.txt" parallel --will-cite -j 64 --colsep '\t' peer_one {1} {2} {3} \
        :::: "$out/names.tsv" >/dev/null 2>&1 || true
    end=$EPOCHREALTIME
    report "parallel+adnshost+curl" "$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')" \
        "$(awk '{ print $1 + $2 }' "$out/peer-cpu.txt")" | tee -a "$out/../cli-cpu.txt"
fi
