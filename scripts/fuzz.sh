#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (ASan+UBSan) and runs each for the given number of
# seconds (default 60) on its corpus fuzz/corpus/<target>/, one target after the other, one process
# on one core. Inputs the fuzzer finds go to build-fuzz/found/<target>/, crashes to
# build-fuzz/artifacts/<target>/, the log to build-fuzz/logs/<target>.log.
#
#   scripts/fuzz.sh [seconds] [target...]      targets: see "all" below
#   VANTLE_FUZZ_MERGE=1 scripts/fuzz.sh ...    afterwards minimizes corpus + finds back into fuzz/corpus/<target>/
#                                              (-set_cover_merge=1, a variant of -merge=1)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

seconds=${1:-60}
[ $# -gt 0 ] && shift
all=(http_answer punycode domain_names answer_cutting csv_writer dns_answer web_verdict cert_date rdap_reader
     whois_reader cdx_reader top_list_reader ranks_line journal_reader list_csv sheet_xml saved_table)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

build=build-fuzz
cmake -S . -B "$build" -G Ninja -DVANTLE_FUZZ=ON -DVANTLE_BUILD_GUI=OFF -DVANTLE_BUILD_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j 2 --target $(printf 'fuzz_%s ' "${targets[@]}")

# Per target: a larger input where a limit of the reader lies beyond the default 4096 bytes.
extra_flags() {
    case $1 in
        http_answer) echo "-max_len=40000" ;;
        *) echo "" ;;
    esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for t in "${targets[@]}"; do
    exe=$PWD/$build/fuzz/fuzz_$t
    corpus=$PWD/fuzz/corpus/$t
    found=$PWD/$build/found/$t
    artifacts=$PWD/$build/artifacts/$t
    logs=$PWD/$build/logs/$t
    mkdir -p "$corpus" "$found" "$artifacts" "$logs"
    echo "== $t: $seconds s"
    # -jobs=1 runs one fuzzing process and writes its output to fuzz-0.log in the current folder.
    if ! (cd "$logs" && "$exe" "$found" "$corpus" -jobs=1 -workers=1 -max_total_time="$seconds" \
            -artifact_prefix="$artifacts/" -print_final_stats=1 $(extra_flags "$t") >/dev/null 2>&1); then
        status=1
    fi
    cp "$logs/fuzz-0.log" "$build/logs/$t.log"
    grep -E 'DONE|stat::number_of_executed|==[0-9]+==ERROR|SUMMARY|invariant broken' "$build/logs/$t.log" | head -20 || true
    if [ "${VANTLE_FUZZ_MERGE:-0}" = "1" ]; then
        merged=$PWD/$build/merged/$t
        rm -rf "$merged" && mkdir -p "$merged"
        # The seeds written by hand (named files) stay; of the rest a small set that covers the same
        # edges (set cover, no hit counts), which keeps the corpus to a few small files.
        find "$corpus" -maxdepth 1 -type f -regextype posix-extended ! -regex '.*/[0-9a-f]{40}' \
            -exec cp {} "$merged"/ \;
        "$exe" -set_cover_merge=1 -use_counters=0 "$merged" "$corpus" "$found" $(extra_flags "$t") \
            >/dev/null 2>&1
        rm -f "$corpus"/* && cp "$merged"/* "$corpus"/
        echo "   corpus: $(ls "$corpus" | wc -l) files, $(cat "$corpus"/* | wc -c) bytes"
    fi
done
exit $status
