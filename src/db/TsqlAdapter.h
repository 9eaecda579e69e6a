#pragma once

#include "db/SqlTokenizer.h"

#include <QString>
#include <QVariantList>
#include <QVector>

// One statement ready for the engine in use: plain SQL text in its dialect, or the call of a
// stored procedure with its arguments (text, number or null).
struct AdaptedStatement {
    enum class Kind { Sql, Exec };

    Kind kind = Kind::Sql;
    QString sql;
    QString procedure;
    QVariantList arguments;
    // For the embedded engine, which prepares a statement once for all its values: when
    // `parametersKnown`, the adaptation has found them already (TsqlAdapter::parameterize of
    // `sql`), and an empty `parameterized` means the text has none.
    bool parametersKnown = false;
    QString parameterized;
    QVariantList values;
};

// Turns the T-SQL texts the windows build into SQLite or PostgreSQL statements: splits a batch
// at its statement boundaries, "top N" becomes LIMIT N, "Update T Set .. From T, U Where .." and
// "Delete T Where .." take the engine's forms, isnull/len/N'..' its spellings and exec becomes a
// procedure call. Literals and comments are never looked into. For PostgreSQL a quoted or
// bracketed name is written in lower case, as the server folds the names it was created with.
class TsqlAdapter {
public:
    enum class Dialect { SQLite, PostgreSQL };

    // False with a description when the text cannot be adapted.
    static bool adapt(const QString& tsql, QVector<AdaptedStatement>* out, QString* error,
                      Dialect dialect = Dialect::SQLite);
    // The same without the shapes adapted before (tests and diagnostics).
    static bool adaptAsWritten(const QString& tsql, QVector<AdaptedStatement>* out, QString* error,
                               Dialect dialect = Dialect::SQLite);
    // Forgets the shapes adapted so far.
    static void clearShapes();
    // The text with the values of its WHERE, VALUES and SET clauses (their literals, and the
    // numbers of a VALUES list) as parameters "?", and those values, so that a statement that comes
    // again with other values is prepared once; literals elsewhere (a column of the select list)
    // stay, as they name the result's columns. Empty when the text has none to take.
    static QString parameterize(const QString& sql, QVariantList* values);
    // The statements of a batch as written (tests and diagnostics).
    static QStringList splitStatements(const QString& tsql);
};
