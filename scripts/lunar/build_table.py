"""Builds the lunar year table (1921-2100) and the reference data of the tests from the decided
day dump, after checking that the original 100 entries describe the same months.
Run: python3 build_table.py DECIDED_DUMP REFERENCE_OUT"""
import datetime
import sys

from lunar_months import FIRST_DAY, ORIGINAL_TABLE, decode_table, encode_year, months_of, read_days

LAST_YEAR = 2100


def main(dump, reference_out):
    months = [m for m in months_of(read_days(dump)) if 1921 <= m[0] <= LAST_YEAR]
    years = {}
    for month in months:
        years.setdefault(month[0], []).append(month)
    assert sorted(years) == list(range(1921, LAST_YEAR + 1)), "a lunar year is missing"
    assert years[1921][0][2] == FIRST_DAY

    table = [encode_year(years[y]) for y in sorted(years)]
    # The walk must give back exactly the months of the dump.
    assert decode_table(table) == months, "the encoding does not round-trip"
    for i, (old, new) in enumerate(zip(ORIGINAL_TABLE, table)):
        if old != new:
            print(f"original entry {1921 + i}: {old}, published calendars: {new}")

    for row in range(0, len(table), 10):
        print("    " + ", ".join(str(v) for v in table[row:row + 10]) + ",")

    # Reference: one line per lunar year: year, first day, leap month (0: none),
    # the month lengths in order as 0 (29 days) and 1 (30 days).
    with open(reference_out, "w", encoding="ascii", newline="\n") as f:
        f.write("# lunar year, its first Gregorian day, leap month (0: none), month lengths (0: 29 days, 1: 30)\n")
        for y in sorted(years):
            ms = years[y]
            leap = next((-m[1] for m in ms if m[1] < 0), 0)
            lengths = "".join("1" if m[3] == 30 else "0" for m in ms)
            f.write(f"{y} {ms[0][2].isoformat()} {leap} {lengths}\n")
    end = months[-1][2] + datetime.timedelta(days=months[-1][3] - 1)
    print(f"table ends on {end}", file=sys.stderr)


if __name__ == "__main__":
    main(*sys.argv[1:])
