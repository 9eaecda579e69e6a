#include "tools/core/LunarTable.h"

#include <array>

namespace {

// Lunar years 1921 to 2020 are the program's original table; 2021 to 2100 follow the published
// calendars (scripts/lunar builds and checks them).
constexpr std::array<quint32, LunarTable::YearCount> kYears = {
    2635,   333387, 1701,   1748,   267701, 694,    2391,   133423, 1175,   396438, // 1921
    3402,   3749,   331177, 1453,   694,    201326, 2350,   465197, 3221,   3402,   // 1931
    400202, 2901,   1386,   267611, 605,    2349,   137515, 2709,   464533, 1738,   // 1941
    2901,   330421, 1242,   2651,   199255, 1323,   529706, 3733,   1706,   398762, // 1951
    2741,   1206,   267438, 2647,   1318,   204070, 3477,   461653, 1386,   2413,   // 1961
    330077, 1197,   2637,   268877, 3365,   531109, 2900,   2922,   398042, 2395,   // 1971
    1179,   267415, 2635,   661067, 1701,   1748,   398772, 2742,   2391,   330031, // 1981
    1175,   1611,   200010, 3749,   527717, 1452,   2742,   332397, 2350,   3222,   // 1991
    268949, 3402,   3493,   133973, 1386,   464219, 605,    2349,   334123, 2709,   // 2001
    2890,   267946, 2773,   592565, 1210,   2651,   395863, 1323,   2707,   265877, // 2011
    1706,   2773,   133557, 1206,   398510, 2638,   3366,   335142, 3411,   1450,   // 2021
    200042, 2413,   723293, 1197,   2637,   399947, 3365,   3410,   334676, 2906,   // 2031
    1389,   133467, 1179,   464023, 2635,   2725,   333477, 1746,   2778,   199350, // 2041
    2359,   526639, 1175,   1611,   396618, 3749,   1714,   267628, 2734,   2350,   // 2051
    203054, 3222,   465557, 3402,   3493,   330581, 1386,   2669,   264797, 1325,   // 2061
    529707, 2709,   2890,   399018, 2773,   1370,   267450, 2651,   1323,   202023, // 2071
    1683,   462419, 1706,   2773,   330165, 1206,   2647,   264782, 3350,   531750, // 2081
    3410,   3498,   396650, 1389,   1198,   267421, 2605,   3349,   138021, 3410,   // 2091
};

} // namespace

namespace LunarTable {

quint32 entry(int index) {
    return kYears.at(std::size_t(index));
}

int monthCount(quint32 entry) {
    return entry < 4095 ? 12 : 13;
}

int leapMonthAfter(quint32 entry) {
    return int(entry / 65536);
}

int daysInYear(quint32 entry) {
    int days = 0;
    for (int n = monthCount(entry) - 1; n >= 0; --n)
        days += 29 + int((entry >> n) & 1);
    return days;
}

QDate firstDay() {
    return QDate(1921, 2, 8);
}

QDate lastDay() {
    int days = 0;
    for (quint32 e : kYears)
        days += daysInYear(e);
    return firstDay().addDays(days - 1);
}

int dayNumber(const QDate& date) {
    // The calendar's own day count (2100 being a common year) is the plain distance in days.
    return int(firstDay().daysTo(date)) + 1;
}

std::optional<LunarDate> toLunar(const QDate& date) {
    // Years far outside the table would overflow the day count.
    if (!date.isValid() || date.year() < FirstYear || date.year() > FirstYear + YearCount)
        return std::nullopt;
    int t = dayNumber(date);
    if (t < 1)
        return std::nullopt;
    for (int m = 0; m < YearCount; ++m) {
        const quint32 e = kYears[std::size_t(m)];
        // Whole years are skipped at once; the month walk below gives the same as walking them.
        const int yearDays = daysInYear(e);
        if (t > yearDays) {
            t -= yearDays;
            continue;
        }
        const int k = monthCount(e) - 1;
        for (int n = k; n >= 0; --n) {
            const int b = int((e >> n) & 1);
            if (t > 29 + b) {
                t -= 29 + b;
                continue;
            }
            const int p = k - n + 1;
            const int leap = leapMonthAfter(e);
            int month = p;
            if (k == 12) {
                if (p == leap + 1)
                    month = -leap;
                else if (p > leap + 1)
                    month = p - 1;
            }
            return LunarDate{FirstYear + m, month, t};
        }
    }
    return std::nullopt;
}

} // namespace LunarTable
