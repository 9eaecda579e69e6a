#!/usr/bin/env bash
# The README's layout table names every folder of src/, and no folder that is not there.
set -euo pipefail
cd "$(dirname "$0")/.."
listed=$(sed -n '/^## Layout/,/^## /p' README.md | grep -o '^| `src/[a-z_]*`' | sed 's/^| `src\///; s/`$//' | sort)
present=$(find src -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | sort)
if [ "$listed" != "$present" ]; then
    echo "README.md's layout table does not match the folders of src/ (< listed only, > folder not listed):" >&2
    diff <(echo "$listed") <(echo "$present") | grep '^[<>]' >&2 || true
    exit 1
fi
