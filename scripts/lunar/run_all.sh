#!/usr/bin/env bash
# Rebuilds the lunar year table and tests/data/lunar_years.txt from three sources. Runs once by
# hand, not in CI: it needs the npm registry and libicu-dev.
#   bash scripts/lunar/run_all.sh [SCRATCH_DIR]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
scratch="${1:-/tmp/lunar}"
first=1921-01-01
last=2101-03-31

mkdir -p "$scratch"
cd "$scratch"
[ -f package.json ] || npm init -y >/dev/null
npm install --no-save lunar-javascript astronomy-engine >/dev/null
export NODE_PATH="$scratch/node_modules"

g++ -std=c++20 -O2 "$here/dump_icu.cpp" -o dump_icu $(pkg-config --cflags --libs icu-i18n)
./dump_icu "$first" "$last" > icu.txt
node "$here/dump_lunar_javascript.js" "$first" "$last" > ljs.txt
node "$here/dump_astronomy.js" "$first" "$last" --events 20 > astro.txt 2> events.txt

python3 "$here/compare_sources.py" icu=icu.txt lunar-javascript=ljs.txt astronomy=astro.txt \
    > "$here/disagreements.txt"
cat "$here/disagreements.txt"

# Every disagreement was decided for lunar-javascript (see README.md): it is the decided source.
python3 "$here/build_table.py" ljs.txt "$root/tests/data/lunar_years.txt"
