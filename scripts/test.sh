#!/usr/bin/env bash
# Builds everything and runs every test; ends with CTest's summary.
#   bash scripts/test.sh             the normal build in ./build
#   bash scripts/test.sh --sanitize  the whole suite again, built with AddressSanitizer and
#                                    UndefinedBehaviorSanitizer (clang) in ./build-sanitize
# The normal suite also builds the Debian package, installs it and purges it again (as root), and
# installs LibreOffice for the test that opens the exported workbooks in it; the sanitizer run
# leaves those out. The database and window tests run a second time (NAME_pg) on a PostgreSQL
# server started here for the run, on loopback, and stopped at the end, also when a test fails;
# the normal suite runs them a third time on it through ODBC (NAME_odbc: unixODBC and psqlODBC).
# The print-system tests (normal build only) print on a CUPS server started here the same way, in
# a temporary folder behind a local socket; it needs root, and without it they are skipped.
# YJGL_WERROR=ON in the environment (CI sets it) builds both with warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."

pgdir=""
cupsdir=""
stop_test_servers() {
    if [ -n "$pgdir" ]; then bash scripts/pg-test-server.sh stop "$pgdir" || true; fi
    if [ -n "$cupsdir" ]; then bash scripts/cups-test-server.sh stop "$cupsdir" || true; fi
}
trap stop_test_servers EXIT
trap 'exit 130' INT TERM

start_test_server() {
    pgdir=$(mktemp -d "${TMPDIR:-/tmp}/yjgl-pg.XXXXXX")
    YJGL_TEST_PG=$(bash scripts/pg-test-server.sh start "$pgdir")
    export YJGL_TEST_PG
}

start_print_server() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "Not root: no CUPS test server, the print-system tests are skipped"
        return
    fi
    cupsdir=$(mktemp -d "${TMPDIR:-/tmp}/yjgl-cups.XXXXXX")
    bash scripts/cups-test-server.sh start "$cupsdir" >/dev/null
    export YJGL_TEST_CUPS="$cupsdir"
}

case "${1:-}" in
"")
    bash scripts/install-deps.sh --office
    bash scripts/build.sh
    export QT_QPA_PLATFORM=offscreen
    start_test_server
    start_print_server
    ctest --test-dir build --output-on-failure -j "$(nproc)"
    ;;
--sanitize)
    bash scripts/install-deps.sh
    # -O1 keeps the build short and the stacks readable; the benchmarks have nothing to add.
    flags="-O1 -g -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
    CC=clang CXX=clang++ cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
        -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" -DYJGL_BUILD_BENCH=OFF \
        -DYJGL_PACKAGE_TEST=OFF \
        -DYJGL_PRINT_SYSTEM_TESTS=OFF \
        -DYJGL_FAILOVER_TESTS=OFF \
        -DYJGL_ODBC_TESTS=OFF \
        -DYJGL_WERROR="${YJGL_WERROR:-OFF}"
    cmake --build build-sanitize -j "$(nproc)"
    export QT_QPA_PLATFORM=offscreen
    # Any report fails its test: leaks (outside the system libraries listed), memory errors and
    # undefined behaviour alike.
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    start_test_server
    ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)" --timeout 900 -LE 'office|npm'
    ;;
*)
    echo "usage: bash scripts/test.sh [--sanitize]" >&2
    exit 2
    ;;
esac
