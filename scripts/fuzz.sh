#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tests/fuzz (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) into ./build-fuzz and runs each for SECONDS from its committed
# corpus in tests/fuzz/corpus. Fails when any harness crashes, leaks, times out or reports.
#   bash scripts/fuzz.sh SECONDS [HARNESS...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
    echo "usage: bash scripts/fuzz.sh SECONDS [HARNESS...]" >&2
    exit 2
fi
shift

harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
    for source in tests/fuzz/fuzz_*.cpp; do
        harnesses+=("$(basename "$source" .cpp)")
    done
fi

bash scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g" \
    -DYJGL_BUILD_FUZZERS=ON -DYJGL_BUILD_TESTS=OFF -DYJGL_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${harnesses[@]}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen

work="build-fuzz/run"
mkdir -p "$work"
failed=()
for name in "${harnesses[@]}"; do
    corpus="tests/fuzz/corpus/$name"
    mkdir -p "$corpus"
    # New inputs go to a scratch folder: the committed corpus only seeds the run.
    scratch="$work/$name"
    rm -rf "$scratch" && mkdir -p "$scratch"
    log="$work/$name.log"
    status=0
    "build-fuzz/bin/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/$name-" "$scratch" "$corpus" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [ "$status" -ne 0 ] || grep -q -e "ERROR: AddressSanitizer" -e "ERROR: LeakSanitizer" \
        -e "runtime error:" -e "fuzz check failed" "$log"; then
        echo "FAIL $name (${runs:-?} runs): see $log"
        grep -m 5 -e "ERROR:" -e "runtime error:" -e "fuzz check failed" -e "^artifact_prefix\|Test unit written" "$log" || true
        failed+=("$name")
    else
        echo "ok   $name: ${runs:-?} runs in ${seconds} s"
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found faults in: ${failed[*]}" >&2
    exit 1
fi
