#!/bin/sh
# Sends every statement of statement_texts_test with the statement trace on, then parses the
# traced texts with node-sql-parser's T-SQL grammar (tests/db/tsql_grammar/check_tsql.js); the
# grammar's known gaps are listed in tests/db/tsql_grammar/gaps.txt with their reasons.
#   tsql_grammar_test.sh STATEMENT_TEXTS_TEST WORK_DIR
# node-sql-parser is installed from npm into WORK_DIR (npm ci, once per package-lock.json).
set -eu
test_binary=${1:?statement_texts_test}
work=${2:?work folder}
here=$(cd "$(dirname "$0")/tsql_grammar" && pwd)
command -v node >/dev/null && command -v npm >/dev/null ||
    { echo "node and npm are needed: bash scripts/install-deps.sh" >&2; exit 1; }

mkdir -p "$work"
if ! cmp -s "$here/package-lock.json" "$work/package-lock.json" || [ ! -d "$work/node_modules" ]; then
    cp "$here/package.json" "$here/package-lock.json" "$work/"
    (cd "$work" && npm ci --no-audit --no-fund --loglevel=error)
fi

trace="$work/statements.trace"
rm -f "$trace"
YJGL_SQL_TRACE="$trace" "$test_binary" >"$work/statement_texts_test.log" 2>&1 ||
    { cat "$work/statement_texts_test.log"; exit 1; }
NODE_PATH="$work/node_modules" node "$here/check_tsql.js" "$trace" "$here/gaps.txt"
