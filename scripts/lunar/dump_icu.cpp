// Prints one line per Gregorian day: "yyyy-mm-dd lunarYear month day" (month < 0: leap month),
// as ICU's Chinese calendar gives it.
// Build: g++ -std=c++20 -O2 dump_icu.cpp -o dump_icu $(pkg-config --cflags --libs icu-i18n)
// Run:   ./dump_icu 1921-02-08 2101-01-31
#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FIRST LAST (yyyy-mm-dd)\n", argv[0]);
        return 2;
    }
    int y0, m0, d0, y1, m1, d1;
    std::sscanf(argv[1], "%d-%d-%d", &y0, &m0, &d0);
    std::sscanf(argv[2], "%d-%d-%d", &y1, &m1, &d1);

    UErrorCode status = U_ZERO_ERROR;
    // Civil days counted in UTC; the Chinese calendar does its own astronomy in Beijing time.
    icu::TimeZone* utc = icu::TimeZone::createTimeZone("UTC");
    icu::GregorianCalendar greg(*utc, status);
    std::unique_ptr<icu::Calendar> chinese(
        icu::Calendar::createInstance(utc->clone(), icu::Locale("zh_CN@calendar=chinese"), status));
    if (U_FAILURE(status)) {
        std::fprintf(stderr, "ICU: %s\n", u_errorName(status));
        return 1;
    }
    greg.clear();
    greg.set(y0, m0 - 1, d0, 12, 0, 0);
    for (;;) {
        const int y = greg.get(UCAL_YEAR, status);
        const int m = greg.get(UCAL_MONTH, status) + 1;
        const int d = greg.get(UCAL_DATE, status);
        chinese->setTime(greg.getTime(status), status);
        // Extended year 4657 is the lunar year that starts in 2020.
        const int lunarYear = chinese->get(UCAL_EXTENDED_YEAR, status) - 2637;
        const int month = chinese->get(UCAL_MONTH, status) + 1;
        const bool leap = chinese->get(UCAL_IS_LEAP_MONTH, status) != 0;
        const int day = chinese->get(UCAL_DATE, status);
        if (U_FAILURE(status)) {
            std::fprintf(stderr, "ICU: %s\n", u_errorName(status));
            return 1;
        }
        std::printf("%04d-%02d-%02d %d %d %d\n", y, m, d, lunarYear, leap ? -month : month, day);
        if (y == y1 && m == m1 && d == d1)
            break;
        greg.add(UCAL_DATE, 1, status);
    }
    delete utc;
    return 0;
}
