#pragma once

#include "common/core/AppError.h"

#include <QDate>
#include <QString>
#include <QStringList>

// Day-numbered numbers: "yyyymmdd" followed by a counter of at least four digits.

// Today's date part, "yyyymmdd".
QString DayNumberPrefix(const QDate& today);
// The date part followed by the counter, left-padded with zeros to four digits.
QString FormatDayNumber(const QDate& today, int counter);

// The number after `newest` (the newest stored number of the day, empty when there is
// none): its last four characters are the counter. False with `error` when they are not
// a whole number.
[[nodiscard]] bool NextDayNumber(const QString& newest, const QDate& today, QString* next,
                                 AppError* error = nullptr);

// Proposes the next number of `table` for Clock::today() from the newest row of the day
// (highest id). Nothing is reserved. After an error `next` is empty and `error` says why; the
// window that shows the number shows the common error message.
[[nodiscard]] bool ProposeNextNo(const QString& field, const QString& table, const QString& dateField,
                                 QString* next, AppError* error);

// A number of today's format that none of `used` holds: one more than the highest counter
// among the used numbers that carry today's date part.
QString NextFreeDayNumber(const QStringList& used, const QDate& today);
