#!/usr/bin/env bash
# The SQL Server road against a real server, run by hand (no SQL Server runs on the build
# machines, so CTest leaves it out). YJGL_TEST_SQLSERVER holds the connection string of a
# scratch database: "Provider=sqloledb;Data Source=...;Initial Catalog=...;User ID=...;Password=...;"
# (through FreeTDS) or "DSN=...;" naming a data source of odbc.ini whose driver reaches SQL Server.
#   YJGL_TEST_SQLSERVER='Provider=sqloledb;...' bash scripts/sqlserver-test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${YJGL_TEST_SQLSERVER:-}" ]; then
    echo "YJGL_TEST_SQLSERVER names no SQL Server (see the comment at the top of this script)" >&2
    exit 2
fi
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja
cmake --build build --target sqlserver_live_check
QT_QPA_PLATFORM=offscreen exec build/bin/sqlserver_live_check
