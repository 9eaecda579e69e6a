"""Shared helpers of the lunar table scripts: day dumps, month lists and the table encoding."""
import datetime

FIRST_DAY = datetime.date(1921, 2, 8)  # first day of lunar year 1921


def read_days(path):
    """Day dump "yyyy-mm-dd year month day" -> {date: (year, month, day)}; month < 0 is a leap month."""
    days = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            ymd, y, m, d = line.split()
            days[datetime.date.fromisoformat(ymd)] = (int(y), int(m), int(d))
    return days


def months_of(days):
    """Lunar months [(year, month, first Gregorian day, length)] of the complete months in a day dump."""
    months = []
    current = None
    for date in sorted(days):
        y, m, d = days[date]
        if d == 1:
            if current:
                months.append(tuple(current))
            current = [y, m, date, 0]
        if current:
            current[3] += 1
    return months  # the last, possibly cut, month is left out


def decode_table(entries, first_year=1921, first_day=FIRST_DAY):
    """Months described by table entries of the program's encoding."""
    months = []
    day = first_day
    for i, entry in enumerate(entries):
        k = 11 if entry < 4095 else 12
        leap = entry // 65536
        for n in range(k, -1, -1):
            p = k - n + 1
            if k == 12 and p == leap + 1:
                month = -leap
            elif k == 12 and p > leap + 1:
                month = p - 1
            else:
                month = p
            length = 29 + ((entry >> n) & 1)
            months.append((first_year + i, month, day, length))
            day += datetime.timedelta(days=length)
    return months


def encode_year(months):
    """Table entry for the months of one lunar year, in order."""
    leap = [i for i, m in enumerate(months) if m[1] < 0]
    value = 0
    for _, _, _, length in months:
        value = value * 2 + (1 if length == 30 else 0)
    if leap:
        value += 65536 * -months[leap[0]][1]
    if len(months) not in (12, 13) or (len(months) == 13) != bool(leap):
        raise ValueError(f"odd year {months[0][0]}: {months}")
    # A 12-month year must stay below 4095 and a 13-month one above it, or the walk misreads it.
    if len(months) == 12 and value >= 4095:
        raise ValueError(f"12-month year {months[0][0]} encodes to {value}")
    if len(months) == 13 and value < 4095:
        raise ValueError(f"13-month year {months[0][0]} encodes to {value}")
    return value


ORIGINAL_TABLE = [
    2635, 333387, 1701, 1748, 267701, 694, 2391, 133423, 1175, 396438,
    3402, 3749, 331177, 1453, 694, 201326, 2350, 465197, 3221, 3402,
    400202, 2901, 1386, 267611, 605, 2349, 137515, 2709, 464533, 1738,
    2901, 330421, 1242, 2651, 199255, 1323, 529706, 3733, 1706, 398762,
    2741, 1206, 267438, 2647, 1318, 204070, 3477, 461653, 1386, 2413,
    330077, 1197, 2637, 268877, 3365, 531109, 2900, 2922, 398042, 2395,
    1179, 267415, 2635, 661067, 1701, 1748, 398772, 2742, 2391, 330031,
    1175, 1611, 200010, 3749, 527717, 1452, 2742, 332397, 2350, 3222,
    268949, 3402, 3493, 133973, 1386, 464219, 605, 2349, 334123, 2709,
    2890, 267946, 2773, 592565, 1210, 2651, 395863, 1323, 2707, 265877,
]
