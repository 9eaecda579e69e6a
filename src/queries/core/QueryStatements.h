#pragma once

#include <QDate>
#include <QString>

// The statement texts of the executed- and voided-documents queries. Values go in through
// SqlText/SqlEscape: a typed "%" or "_" still acts as a wildcard, a quote stays a character.
namespace QuerySql {

// A user filter as typed: "全部" or nothing matches everybody.
QString UserPattern(const QString& comboText);

// The department's valid execution records of a date range.
QString executedByDate(const QString& dept, const QString& executor, const QString& checker,
                       const QDate& from, const QDate& to);
// The department's valid execution records whose document number starts with `dh`.
QString executedByNumber(const QString& dept, const QString& dh);
// The department's voided execution records of a date range.
QString voidedByDate(const QString& dept, const QString& voidedBy, const QDate& from, const QDate& to);
QString users();

} // namespace QuerySql
