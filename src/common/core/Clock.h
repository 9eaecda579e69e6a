#pragma once

#include <QDateTime>

// "Now" for the whole program. The program follows the database server's clock by keeping
// the difference to the local clock; it never sets the computer's clock. Tests fix the time.
namespace Clock {
QDateTime now();
QDate today();

// Difference server minus local, in milliseconds (0 until sign-in reads the server's time).
void setServerOffsetMs(qint64 offset);
qint64 serverOffsetMs();
// Remembers the server time read at this moment.
void followServerTime(const QDateTime& serverNow);

// For tests: a fixed time (invalid to release it).
void setFixedNow(const QDateTime& fixed);

// A time as the statements and the trail write it: "yyyy-MM-dd HH:mm:ss".
QString secondsText(const QDateTime& time);
} // namespace Clock
