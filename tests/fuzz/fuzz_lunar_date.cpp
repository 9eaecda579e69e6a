// Date texts for the calendar come from the page and from typed input.
#include "FuzzSupport.h"
#include "tools/core/GET_NL.h"
#include "tools/core/LunarTable.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const qint64 julianDay = in.ConsumeIntegral<qint64>();
    const QString dateText = QString::fromStdString(in.ConsumeRemainingBytesAsString());

    QString line;
    AppError error;
    const QDate parsed = ParseCalendarDate(dateText);
    if (parsed.isValid())
        (void)LunarLineOf(parsed, &line, &error);
    if (!LunarShortFormOf(dateText, &line, &error))
        Fuzz::check(error.number == 9 || error.number == 13, "failure without its error number");

    const QDate any = QDate::fromJulianDay(julianDay);
    const bool inside = any.isValid() && any >= LunarTable::firstDay() && any <= LunarTable::lastDay();
    Fuzz::check(LunarTable::toLunar(any).has_value() == inside, "a day inside the table has no lunar date");
    Fuzz::check(LunarLineOf(any, &line, &error) == inside, "a day's line disagrees with the table");
    return 0;
}
