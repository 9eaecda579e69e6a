#pragma once

#include "tools/core/LunarTable.h"

#include <QDate>
#include <QString>

// The texts of the calendar line.
namespace LunarTexts {
// "庚子年(鼠)": stem, branch, "年(", animal, ")".
QString yearText(int lunarYear);
// "正月初一", "闰四月初一", "腊月三十".
QString monthDayText(const LunarDate& date);
// "4-1": month and day numbers; a leap month by its plain number.
QString shortText(const LunarDate& date);
// Festival of the Gregorian day, or empty.
QString gregorianFestival(const QDate& date);
// Festival of a lunar month-day text, or empty.
QString lunarFestival(const QString& monthDayText);
// Chinese weekday name, 星期一 to 星期日.
QString weekdayName(const QDate& date);
} // namespace LunarTexts
