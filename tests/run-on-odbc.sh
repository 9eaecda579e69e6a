#!/bin/sh
# Runs a database test on the PostgreSQL test server named by YJGL_TEST_PG (scripts/test.sh
# starts one) through ODBC: unixODBC with Debian's psqlODBC driver, from the data source
# "yjgl_test" of an odbc.ini of its own (ODBCINI); the system's ODBC settings are neither read
# nor changed. Without a server the test is skipped (exit code 77); without the driver it fails.
[ -n "${YJGL_TEST_PG:-}" ] || { echo "no PostgreSQL test server (YJGL_TEST_PG)"; exit 77; }
driver=$(ls /usr/lib/*/odbc/psqlodbcw.so /usr/lib/odbc/psqlodbcw.so 2>/dev/null | head -n 1)
[ -n "$driver" ] || { echo "psqlODBC (odbc-postgresql) is not installed: bash scripts/install-deps.sh" >&2; exit 1; }

field() { printf '%s\n' "$YJGL_TEST_PG" | tr ';' '\n' | sed -n "s/^$1=//Ip" | head -n 1; }
source=$(field 'Data Source')
dir=$(mktemp -d "${TMPDIR:-/tmp}/yjgl-odbc.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT
cat >"$dir/odbc.ini" <<INI
[yjgl_test]
Driver=$driver
Servername=${source%:*}
Port=${source##*:}
Database=$(field 'Initial Catalog')
Username=$(field 'User ID')
Password=$(field 'Password')
INI
ODBCINI="$dir/odbc.ini" YJGL_TEST_ENGINE=odbc "$@"
