#!/bin/sh
# Runs a database test on the PostgreSQL test server named by YJGL_TEST_PG (scripts/test.sh
# starts one); without a server the test is skipped (exit code 77).
[ -n "${YJGL_TEST_PG:-}" ] || { echo "no PostgreSQL test server (YJGL_TEST_PG)"; exit 77; }
YJGL_TEST_ENGINE=postgresql exec "$@"
