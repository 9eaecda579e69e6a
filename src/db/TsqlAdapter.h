#pragma once

#include "db/SqlTokenizer.h"

#include <QString>
#include <QVariantList>
#include <QVector>

// One statement ready for the embedded engine: plain SQLite text, or the call of a stored
// procedure with its arguments (text, number or null).
struct AdaptedStatement {
    enum class Kind { Sql, Exec };

    Kind kind = Kind::Sql;
    QString sql;
    QString procedure;
    QVariantList arguments;
};

// Turns the T-SQL texts the windows build into SQLite statements: splits a batch at its
// statement boundaries, "top N" becomes LIMIT N, "Update T Set .. From T, U Where .." and
// "Delete T Where .." take SQLite's forms, isnull/len/N'..' their SQLite spellings and exec
// becomes a procedure call. Literals, names and comments are never looked into.
class TsqlAdapter {
public:
    // False with a description when the text cannot be adapted.
    static bool adapt(const QString& tsql, QVector<AdaptedStatement>* out, QString* error);
    // The statements of a batch as written (tests and diagnostics).
    static QStringList splitStatements(const QString& tsql);
};
