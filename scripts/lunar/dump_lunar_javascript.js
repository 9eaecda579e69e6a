// Prints one line per Gregorian day: "yyyy-mm-dd lunarYear month day" (month < 0: leap month),
// as the npm package lunar-javascript gives it. Run: node dump_lunar_javascript.js FIRST LAST
const { Solar } = require('lunar-javascript');

const [first, last] = process.argv.slice(2);
const parse = (s) => s.split('-').map(Number);
let solar = Solar.fromYmd(...parse(first));
const end = Solar.fromYmd(...parse(last));
const out = [];
while (!solar.isAfter(end)) {
    const lunar = solar.getLunar();
    out.push(`${solar.toYmd()} ${lunar.getYear()} ${lunar.getMonth()} ${lunar.getDay()}`);
    solar = solar.next(1);
}
process.stdout.write(out.join('\n') + '\n');
