#!/usr/bin/env bash
# A spreadsheet program opens both workbook formats of "yjgl-admin export": LibreOffice, run
# headless, turns each into CSV text, whose dates read back whole and whose amounts sum to the database's
# total. Skipped (77) when LibreOffice is not installed: "bash scripts/install-deps.sh --office"
# installs it, and scripts/test.sh does so before the suite.
set -euo pipefail
admin=$1
if ! command -v soffice >/dev/null; then
    echo "SKIP: soffice (LibreOffice) is not installed; bash scripts/install-deps.sh --office installs it"
    exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/yjgl-office.XXXXXX")
trap 'rm -rf "$work"' EXIT
export YJGL_HOME=$work/home QT_QPA_PLATFORM=offscreen
"$admin" init-demo "$YJGL_HOME" --documents 40 >/dev/null
from="from MZ_KFDJMX K join MZ_YJZX Y on Y.DH=K.DH"
total=$("$admin" query "select sum(K.SSJE) $from" | sed -n 2p)
for ext in xls xlsx; do
    "$admin" export "select K.DH as 处方单号, K.SSJE as 实收, Y.ZXSJ as 执行时间 $from" "$work/out.$ext" >/dev/null
    rm -f "$work/out.csv"
    # A profile of its own, and a cap on the time it may take.
    timeout 180 soffice -env:UserInstallation="file://$work/profile" --headless --norestore \
        --convert-to csv:"Text - txt - csv (StarCalc)":44,34,76 --outdir "$work" "$work/out.$ext" >/dev/null 2>&1
    /usr/bin/python3 - "$work/out.csv" "$total" "$ext" <<'PY'
import csv, re, sys
rows = list(csv.reader(open(sys.argv[1], encoding="utf-8")))
assert rows[0] == ["处方单号", "实收", "执行时间"], rows[0]
body = rows[1:]
assert body, "no rows"
assert all(re.fullmatch(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d", r[2]) for r in body), body[0]
total = sum(float(r[1]) for r in body)
assert "%.2f" % total == "%.2f" % float(sys.argv[2]), (total, sys.argv[2])
print(sys.argv[3], len(body), "rows, sum", "%.2f" % total)
PY
done
