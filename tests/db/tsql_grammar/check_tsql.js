// Parses every statement of a statement trace (YJGL_SQL_TRACE) with node-sql-parser's T-SQL
// grammar. A statement it cannot parse fails the check unless its shape (the statement with its
// literals replaced by ?) is listed in the gaps file with the reason; the gaps may be at most a
// tenth of the shapes, and a listed shape that now parses, or is no longer sent, fails too.
// The grammar reads EXEC with named arguments only: a call with positional arguments
// ("Exec P_YJZX '1','检验科'") is read as the call without arguments and its arguments as the
// list of a SELECT, so that a broken quote or expression among them still fails.
//   node check_tsql.js TRACE GAPS
'use strict';
const fs = require('fs');
const { Parser } = require('node-sql-parser');

const [traceFile, gapsFile] = process.argv.slice(2);
if (!traceFile || !gapsFile) {
    console.error('usage: node check_tsql.js TRACE GAPS');
    process.exit(2);
}

function unescape(field) {
    return field.replace(/\\(.)/g, (m, c) => ({ n: '\n', r: '\r', t: '\t', '\\': '\\' })[c] ?? m);
}

// A text sent at once may hold several statements, each starting on a line of its own.
const starts = /^\s*(insert|update|delete|select|exec|execute|create|drop|alter|truncate|declare|set|if|begin|commit|rollback)\b/i;
function statementsOf(text) {
    const out = [];
    for (const line of text.split(/\r?\n/)) {
        if (out.length === 0 || starts.test(line)) out.push(line);
        else out[out.length - 1] += '\n' + line;
    }
    return out.map((s) => s.trim()).filter((s) => s.length > 0);
}

// Literal values replaced by ?, blanks folded: one shape for every value a window puts in.
function shapeOf(sql) {
    return sql
        .replace(/N?'(?:[^']|'')*'/g, '?')
        .replace(/\b\d+(?:\.\d+)?\b/g, '?')
        .replace(/\s+/g, ' ')
        .trim();
}

const shapes = new Map(); // shape -> one statement of that shape
for (const line of fs.readFileSync(traceFile, 'utf8').split(/\r?\n/)) {
    const fields = line.split('\t');
    if (fields.length < 3) continue;
    for (const sql of statementsOf(unescape(fields.slice(2).join('\t')))) {
        const shape = shapeOf(sql);
        if (!shapes.has(shape)) shapes.set(shape, sql);
    }
}

const gaps = new Map(); // shape -> reason
for (const line of fs.readFileSync(gapsFile, 'utf8').split(/\r?\n/)) {
    if (line.trim() === '' || line.startsWith('#')) continue;
    const tab = line.indexOf('\t');
    if (tab < 0) {
        console.error(`${gapsFile}: a line is "shape<TAB>reason": ${line}`);
        process.exit(2);
    }
    gaps.set(line.slice(0, tab).trim(), line.slice(tab + 1).trim());
}

const parser = new Parser();
const options = { database: 'TransactSQL' };
const positionalExec = /^(exec(?:ute)?\s+[A-Za-z_][\w.]*)\s+(?!@)(\S[\s\S]*)$/i;
function parse(sql) {
    const call = positionalExec.exec(sql);
    if (!call) return parser.astify(sql, options);
    parser.astify(call[1], options);
    return parser.astify(`SELECT ${call[2]}`, options);
}

const problems = [];
const unparsed = new Set();
for (const [shape, sql] of shapes) {
    try {
        parse(sql);
    } catch (e) {
        unparsed.add(shape);
        if (!gaps.has(shape))
            problems.push(`not T-SQL by the grammar: ${sql}\n  shape: ${shape}\n  ${String(e.message).split('\n')[0]}`);
    }
}
for (const shape of gaps.keys()) {
    if (!shapes.has(shape)) problems.push(`listed but no longer sent (remove it from the list): ${shape}`);
    else if (!unparsed.has(shape)) problems.push(`listed but parses now (remove it from the list): ${shape}`);
}
if (gaps.size * 10 > shapes.size)
    problems.push(`${gaps.size} statement shapes listed as grammar gaps: more than a tenth of the ${shapes.size} sent`);

console.log(`${shapes.size} statement shapes, ${unparsed.size} not parsed, ${gaps.size} listed as grammar gaps`);
if (problems.length > 0) {
    for (const p of problems) console.error(p);
    process.exit(1);
}
