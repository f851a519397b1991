#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: once as a normal build, then once
# more built with AddressSanitizer and UndefinedBehaviorSanitizer, and the engine's test programs (pace,
# check, dns, web, history) once more built with ThreadSanitizer (skip both passes with
# VANTLE_SKIP_SANITIZE=1).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen

run_pass() {
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" -j "$jobs" --output-on-failure
}

run_pass build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ "${VANTLE_SKIP_SANITIZE:-0}" != "1" ]; then
    # Qt keeps caches for the life of the process; leak reports would be about those, not about us.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    run_pass build-asan -DCMAKE_BUILD_TYPE=Debug -DVANTLE_SANITIZE=ON -DVANTLE_BUILD_BENCH=OFF
    # Only the engine's test programs, without the windows: a race in the pace, the run, the checks
    # or the store of answers.
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    engine=(pace check dns web history)
    cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTLE_TSAN=ON -DVANTLE_BUILD_GUI=OFF \
        -DVANTLE_BUILD_BENCH=OFF >/dev/null
    cmake --build build-tsan -j "$jobs" --target "${engine[@]/#/test_}"
    for dir in "${engine[@]}"; do
        "build-tsan/tests/$dir/test_$dir" --gtest_brief=1
    done
fi
