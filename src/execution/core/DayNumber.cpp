#include "execution/core/DayNumber.h"

#include "common/core/Clock.h"
#include "db/Connection.h"
#include "db/StatementHelpers.h"
#include "execution/core/ExecutionStatements.h"

namespace {
constexpr int kTypeMismatch = 13;
}

QString DayNumberPrefix(const QDate& today) {
    return today.toString(QStringLiteral("yyyyMMdd"));
}

QString FormatDayNumber(const QDate& today, int counter) {
    const QString n = QString::number(counter);
    return DayNumberPrefix(today) + (n.size() < 4 ? QString(4 - n.size(), QLatin1Char('0')) : QString()) + n;
}

bool NextDayNumber(const QString& newest, const QDate& today, QString* next, AppError* error) {
    if (newest.isEmpty()) {
        *next = FormatDayNumber(today, 1);
        return true;
    }
    bool ok = false;
    const int counter = newest.right(4).trimmed().toShort(&ok);
    if (!ok) {
        if (error)
            *error = {kTypeMismatch, QStringLiteral("类型不匹配"), QStringLiteral("GetNextNo")};
        next->clear();
        return false;
    }
    *next = FormatDayNumber(today, counter + 1);
    return true;
}

bool ProposeNextNo(const QString& field, const QString& table, const QString& dateField, QString* next,
                   AppError* error) {
    const QDate today = Clock::today();
    RecordsetPtr rs;
    AppError err;
    if (!OpenRsQuiet(rs, ExecutionSql::newestNumberOfDay(field, table, dateField, today), &err) || !rs) {
        if (error)
            *error = err;
        next->clear();
        return false;
    }
    QString newest;
    if (rs->RecordCount() > 0) {
        rs->MoveFirst();
        newest = rs->text(0);
    }
    CloseRs(rs);
    if (!newest.isEmpty()) {
        // The number is taken from a second read straight on the connection; the first only
        // tells whether the day has a number yet.
        RecordsetPtr again =
            gConn->execute(ExecutionSql::newestNumberOfDay(field, table, dateField, today), &err);
        if (!again) {
            if (error)
                *error = err;
            next->clear();
            return false;
        }
        if (again->RecordCount() > 0) {
            again->MoveFirst();
            newest = again->text(0);
        }
    }
    return NextDayNumber(newest, today, next, error);
}

QString NextFreeDayNumber(const QStringList& used, const QDate& today) {
    const QString prefix = DayNumberPrefix(today);
    qint64 highest = 0;
    for (const QString& number : used) {
        const QString n = number.trimmed();
        if (!n.startsWith(prefix) || n.size() <= prefix.size())
            continue;
        bool ok = false;
        const qint64 counter = n.mid(prefix.size()).toLongLong(&ok);
        if (ok && counter > highest)
            highest = counter;
    }
    // Counted unsigned: the highest counter a number can carry still has a successor.
    const QString c = QString::number(quint64(highest) + 1);
    return prefix + (c.size() < 4 ? QString(4 - c.size(), QLatin1Char('0')) : QString()) + c;
}
