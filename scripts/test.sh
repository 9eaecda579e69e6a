#!/usr/bin/env bash
# Builds everything and runs every test; ends with CTest's summary.
#   bash scripts/test.sh             the normal build in ./build
#   bash scripts/test.sh --sanitize  the whole suite again, built with AddressSanitizer and
#                                    UndefinedBehaviorSanitizer (clang) in ./build-sanitize
# The normal run installs LibreOffice for the test that opens the exported workbooks in it; the
# sanitizer run leaves that test out. The database and window tests run a second time (NAME_pg) on a PostgreSQL server started here
# for the run, on loopback, and stopped at the end, also when a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

start_test_server() {
    pgdir=$(mktemp -d "${TMPDIR:-/tmp}/yjgl-pg.XXXXXX")
    trap 'bash scripts/pg-test-server.sh stop "$pgdir" || true' EXIT
    trap 'exit 130' INT TERM
    YJGL_TEST_PG=$(bash scripts/pg-test-server.sh start "$pgdir")
    export YJGL_TEST_PG
}

case "${1:-}" in
"")
    bash scripts/install-deps.sh --office
    bash scripts/build.sh
    export QT_QPA_PLATFORM=offscreen
    start_test_server
    ctest --test-dir build --output-on-failure -j "$(nproc)"
    ;;
--sanitize)
    bash scripts/install-deps.sh
    # -O1 keeps the build short and the stacks readable; the benchmarks have nothing to add.
    flags="-O1 -g -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
    CC=clang CXX=clang++ cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
        -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" -DYJGL_BUILD_BENCH=OFF
    cmake --build build-sanitize -j "$(nproc)"
    export QT_QPA_PLATFORM=offscreen
    # Any report fails its test: leaks (outside the system libraries listed), memory errors and
    # undefined behaviour alike.
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    start_test_server
    ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)" --timeout 900 -LE office
    ;;
*)
    echo "usage: bash scripts/test.sh [--sanitize]" >&2
    exit 2
    ;;
esac
