#pragma once

#include "common/core/AppError.h"

#include <QDate>
#include <QString>

// The Chinese calendar line of the status bar:
//   "2020-01-25 星期六  庚子年(鼠)正月初一    春节"
// long date, weekday, two blanks, year and lunar month-day, two blanks, Gregorian festival,
// two blanks, lunar festival.
//
// A member cannot carry its class's name in C++, so the call is the function-call operator:
//   GET_NL nl;  nl()  -> today's line;  nl("2020-05-23")  -> "4-1" (lunar month-day numbers).
// A date outside the table (before 8 February 1921 or after the end of lunar year 2100) or a
// text that is no date gives empty text and fills `error`; nothing here shows a box: the
// window that shows the line shows the common error message.
class GET_NL {
public:
    QString operator()(const QString& DateSTR = {}, AppError* error = nullptr) const;
};

// The line of GET_NL() for any day; empty text with `error` filled outside the table.
QString lunarStatusLine(const QDate& date, AppError* error = nullptr);

// The same with the outcome as the result: false with `error` filled outside the table.
[[nodiscard]] bool LunarLineOf(const QDate& date, QString* line, AppError* error);
// The short form "month-day" of a date text; false with `error` filled for a text that is no
// date (13) or a date outside the table (9).
[[nodiscard]] bool LunarShortFormOf(const QString& dateText, QString* text, AppError* error);

// A date text as the calendar reads it: "2020-5-23", "2020/05/23", "2020.5.23", "2020年5月23日",
// each optionally followed by a time; invalid QDate otherwise.
QDate ParseCalendarDate(const QString& text);
