#!/usr/bin/env bash
# Builds the benchmarks and runs them all:
#   bash scripts/bench.sh [DIR]
# DIR holds hospital.db made with "yjgl-admin init-demo DIR --documents 1000000"; without DIR the
# database is made in a temporary folder (about 1.6 GB, and as much again for the benchmark's copy
# of it) and removed afterwards. The benchmarks add their own departments and documents to it.
# Ends with one line per goal, "NAME ratio R limit L", and exits non-zero when a benchmark fails
# or a ratio is over its limit. The PostgreSQL goals (pg_*) are measured on a server of their
# own when PostgreSQL is installed, and skipped with a line saying so when it is not.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
build=${YJGL_BUILD_DIR:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)" --target yjgl yjgl-admin grid_fill_bench local_files_bench output_bench db_bench \
    execution_bench pg_bench query_bench soak_bench audit_bench backlog_bench
# The start-up bench is built where Xlib's headers are installed.
cmake --build "$build" -j "$(nproc)" --target startup_bench startup_bare >/dev/null 2>&1 || true

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dir=${1:-}
if [ -z "$dir" ]; then
    dir=$work/demo
    "$build/bin/yjgl-admin" init-demo "$dir" --documents 1000000
fi
if [ ! -f "$dir/hospital.db" ]; then
    echo "$dir/hospital.db is missing" >&2
    exit 2
fi

status=0
for run in "grid_fill_bench" "local_files_bench" "output_bench" "db_bench $dir/hospital.db" "execution_bench $dir" \
    "query_bench $dir" "soak_bench" "audit_bench" "backlog_bench"; do
    echo "== $run"
    # shellcheck disable=SC2086 # the words are the program and its arguments
    "$build/bin/"$run | tee -a "$work/output" || status=1
done

# The execution again with the database on a RAM disk (/dev/shm), where the processor's share
# shows; skipped when it lacks room for a copy.
need=$(($(stat -c %s "$dir/hospital.db") * 2 / 1024))
if [ -d /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -gt "$need" ]; then
    echo "== execution_bench on a RAM disk"
    ram=$(mktemp -d /dev/shm/yjgl-bench.XXXXXX)
    trap 'rm -rf "$work" "$ram"' EXIT
    cp "$dir/hospital.db" "$ram/hospital.db"
    "$build/bin/execution_bench" "$ram" --goal execution --storage ram | tee -a "$work/output" || status=1
    rm -rf "$ram"
else
    echo "== execution_bench on a RAM disk skipped: /dev/shm lacks room for a copy of the database"
fi

# Start-up runs under a real X server (Xvfb) with a small demo database of its own: the login
# window reads only the users and the unit name.
if command -v Xvfb >/dev/null && [ -x "$build/bin/startup_bench" ]; then
    echo "== startup_bench"
    mkdir -p "$work/start"
    "$build/bin/yjgl-admin" init-demo "$work/start/yj" --documents 1000 >/dev/null
    cp -r resources/LBReg "$work/start/LBReg"
    "$build/bin/startup_bench" "$build/bin/yjgl" "$build/bin/startup_bare" "$work/start/yj" | tee -a "$work/output" ||
        status=1
else
    echo "== startup_bench skipped: no Xvfb or no Xlib headers to build it"
fi

# The PostgreSQL goals run on the server named by YJGL_TEST_PG or on a throw-away server of the
# bench's own (loopback only, removed afterwards); without PostgreSQL's server programs they are
# skipped.
if [ -n "${YJGL_TEST_PG:-}" ] || ls /usr/lib/postgresql/*/bin/pg_ctl >/dev/null 2>&1 || command -v pg_ctl >/dev/null; then
    echo "== pg_bench"
    "$build/bin/pg_bench" | tee -a "$work/output" || status=1
else
    echo "== pg_bench skipped: no PostgreSQL server programs (pg_ctl) and no YJGL_TEST_PG"
fi

echo "== goals"
goals=$(grep -E '^[a-z0-9_]+ ratio [0-9.]+ limit [0-9.]+$' "$work/output" || true)
if [ -z "$goals" ]; then
    echo "no goal was measured" >&2
    exit 1
fi
echo "$goals"
if ! echo "$goals" | awk '$3 > $5 { over = 1; print "over its limit: " $1 > "/dev/stderr" } END { exit over }'; then
    status=1
fi
exit $status
