#pragma once

#include <QDate>

#include <optional>

// A day of the Chinese lunar calendar.
struct LunarDate {
    int year = 0;  // Gregorian number of the lunar year, 1921 for the year starting 8 February 1921
    int month = 0; // 1 to 12; a leap month is the negative number of the month it follows
    int day = 0;   // 1 to 30

    bool isLeapMonth() const { return month < 0; }
    friend bool operator==(const LunarDate&, const LunarDate&) = default;
};

// The built-in table of lunar years. Entry m describes lunar year 1921 + m: bits 0-11 (or 0-12
// for a 13-month year) are the month lengths, first month in the highest bit, set = 30 days;
// entry / 65536 is the month after which the leap month comes (0: none); entries below 4095
// are 12-month years.
namespace LunarTable {
constexpr int FirstYear = 1921;
constexpr int YearCount = 180; // lunar years 1921 to 2100

quint32 entry(int index);
int monthCount(quint32 entry);
int leapMonthAfter(quint32 entry);
int daysInYear(quint32 entry);

// The first day the table describes (8 February 1921) and the last (the eve of lunar year 2101).
QDate firstDay();
QDate lastDay();

// Days counted from the table's first day: 1 on 8 February 1921.
int dayNumber(const QDate& date);

// The lunar date of a Gregorian date; nothing when the date lies outside the table.
std::optional<LunarDate> toLunar(const QDate& date);
} // namespace LunarTable
