"""Compares day dumps of several sources lunar month by lunar month and prints every month on
which they differ, with the original 100-entry table as a further voice for 1921-2020.
Run: python3 compare_sources.py NAME=DUMP NAME=DUMP ..."""
import sys

from lunar_months import FIRST_DAY, ORIGINAL_TABLE, decode_table, months_of, read_days


def key(month):
    year, number, first, length = month
    leap = "闰" if number < 0 else ""
    return f"{year} {leap}{abs(number)}月 {first} {length}天"


def main(args):
    sources = {}
    for arg in args:
        name, path = arg.split("=", 1)
        sources[name] = set(months_of(read_days(path)))
    sources["table"] = set(decode_table(ORIGINAL_TABLE))
    last_table_day = max(m[2] for m in sources["table"])

    every = set().union(*sources.values())
    disputed = []
    for month in sorted(every, key=lambda m: (m[2], m[1])):
        voices = [name for name, months in sources.items()
                  if month in months]
        # The table speaks only for its own years; the dumps cover the whole range.
        if month[2] < FIRST_DAY:
            continue
        judges = [name for name in sources if name != "table" or month[2] <= last_table_day]
        if set(voices) != set(judges):
            disputed.append((month, voices))
    for month, voices in disputed:
        print(f"{key(month):32} {' '.join(voices)}")
    print(f"{len(disputed)} months not shared by all sources", file=sys.stderr)


if __name__ == "__main__":
    main(sys.argv[1:])
