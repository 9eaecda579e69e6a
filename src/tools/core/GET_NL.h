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
// text that is no date shows the common error box and gives empty text.
class GET_NL {
public:
    QString operator()(const QString& DateSTR = {}) const;
};

// The line of GET_NL() for any day; the common error box and empty text outside the table.
QString lunarStatusLine(const QDate& date);

// The same without boxes: false with `error` filled outside the table.
bool LunarLineOf(const QDate& date, QString* line, AppError* error);
// The short form "month-day" of a date text; false with `error` filled for a text that is no
// date (13) or a date outside the table (9).
bool LunarShortFormOf(const QString& dateText, QString* text, AppError* error);

// A date text as the calendar reads it: "2020-5-23", "2020/05/23", "2020.5.23", "2020年5月23日",
// each optionally followed by a time; invalid QDate otherwise.
QDate ParseCalendarDate(const QString& text);
