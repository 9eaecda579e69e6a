#!/bin/sh
# Runs a print test on the CUPS test server whose folder YJGL_TEST_CUPS names (scripts/test.sh
# starts one when run as root); without a server the test is skipped (exit code 77).
[ -n "${YJGL_TEST_CUPS:-}" ] || {
    echo "no CUPS test server (YJGL_TEST_CUPS): the print-system tests need root to run cups-pdf"
    exit 77
}
CUPS_SERVER="$YJGL_TEST_CUPS/cups.sock" exec "$@"
