// Computes the Chinese calendar from the astronomy itself (npm package astronomy-engine) by the
// published rules: a month starts on the Beijing-time day of the new moon; the month holding the
// winter solstice is the eleventh; in a solstice-to-solstice span of 13 months the first month
// without a principal solar term is the leap month. Prints one line per Gregorian day,
// "yyyy-mm-dd lunarYear month day" (month < 0: leap month), and with --events the new moons and
// principal terms that fall within MARGIN minutes of Beijing midnight (on stderr).
// Run: node dump_astronomy.js FIRST LAST [--events MARGIN]
const A = require('astronomy-engine');

const [first, last, flag, marginArg] = process.argv.slice(2);
const margin = flag === '--events' ? Number(marginArg || 30) : -1;
const BEIJING_MS = 8 * 3600 * 1000;
const DAY_MS = 86400 * 1000;

const beijingDay = (date) => Math.floor((date.getTime() + BEIJING_MS) / DAY_MS); // days since 1970
const minutesFromMidnight = (date) => {
    const ms = (((date.getTime() + BEIJING_MS) % DAY_MS) + DAY_MS) % DAY_MS;
    return Math.min(ms, DAY_MS - ms) / 60000;
};
const isoOf = (day) => new Date(day * DAY_MS).toISOString().slice(0, 10);
const beijingText = (date) => new Date(date.getTime() + BEIJING_MS).toISOString().slice(0, 19).replace('T', ' ');

const startYear = Number(first.slice(0, 4)) - 1;
const endYear = Number(last.slice(0, 4)) + 1;

// New moons (Beijing day numbers) from before the first solstice to after the last.
const newMoons = [];
let t = A.MakeTime(new Date(Date.UTC(startYear - 1, 10, 1)));
const stop = new Date(Date.UTC(endYear + 1, 2, 1));
for (;;) {
    const nm = A.SearchMoonPhase(0, t, 40);
    if (nm.date > stop)
        break;
    newMoons.push(beijingDay(nm.date));
    if (margin >= 0 && minutesFromMidnight(nm.date) <= margin)
        console.error(`new moon  ${beijingText(nm.date)} Beijing`);
    t = nm.AddDays(20);
}

// Principal solar terms (sun longitude a multiple of 30 degrees): Beijing day numbers.
const terms = [];
const solstices = {};
for (let y = startYear - 1; y <= endYear + 1; ++y) {
    for (let k = 0; k < 12; ++k) {
        const lon = (270 + 30 * k) % 360;
        const approxMonth = 11 + k; // December for 270 degrees, then a month each
        const from = new Date(Date.UTC(y, approxMonth - 1, 1));
        const st = A.SearchSunLongitude(lon, from, 60);
        const day = beijingDay(st.date);
        terms.push(day);
        if (k === 0)
            solstices[y] = day;
        if (margin >= 0 && minutesFromMidnight(st.date) <= margin)
            console.error(`term ${String(lon).padStart(3)} ${beijingText(st.date)} Beijing`);
    }
}
terms.sort((a, b) => a - b);

const monthIndexHolding = (day) => {
    for (let i = 0; i + 1 < newMoons.length; ++i)
        if (newMoons[i] <= day && day < newMoons[i + 1])
            return i;
    throw new Error('day outside the new moons');
};
const hasTerm = (i) => terms.some((d) => newMoons[i] <= d && d < newMoons[i + 1]);

// Month numbers for every month between consecutive eleventh months.
const monthOf = new Map(); // new-moon index -> [lunarYear, month]
for (let y = startYear; y <= endYear; ++y) {
    const a = monthIndexHolding(solstices[y - 1]);
    const b = monthIndexHolding(solstices[y]);
    const leapAllowed = b - a === 13;
    let leapDone = false;
    let number = 11;
    let firstSeen = false;
    for (let i = a; i < b; ++i) {
        let month;
        if (i === a) {
            month = 11;
        } else if (leapAllowed && !leapDone && !hasTerm(i)) {
            leapDone = true;
            month = -number;
        } else {
            number = (number % 12) + 1;
            month = number;
        }
        // The months before the first month belong to the lunar year before.
        if (month === 1)
            firstSeen = true;
        monthOf.set(i, [firstSeen ? y : y - 1, month]);
    }
}

const firstDay = Math.round(Date.parse(first) / DAY_MS);
const lastDay = Math.round(Date.parse(last) / DAY_MS);
const out = [];
for (let day = firstDay; day <= lastDay; ++day) {
    const i = monthIndexHolding(day);
    const [lunarYear, month] = monthOf.get(i);
    out.push(`${isoOf(day)} ${lunarYear} ${month} ${day - newMoons[i] + 1}`);
}
process.stdout.write(out.join('\n') + '\n');
