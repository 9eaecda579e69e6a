#pragma once
// What the adapter harnesses compare: the values a statement text carries as literals.
#include "db/SqlTokenizer.h"

#include <QStringList>

namespace Fuzz {

// The values of the literals of a text, in order.
inline QStringList literals(const QString& sql) {
    QStringList values;
    for (const SqlToken& t : SqlTokenizer::tokenize(sql))
        if (t.kind == SqlToken::Kind::String)
            values << t.stringValue();
    return values;
}

// The literals of a statement adapted for PostgreSQL, without the empty escape the adapter gives
// every LIKE ("ESCAPE ''"): it carries no typed value.
inline QStringList valuesWithoutNoEscape(const QString& sql) {
    QStringList values;
    bool afterEscape = false;
    for (const SqlToken& t : SqlTokenizer::tokenize(sql)) {
        if (!t.isSignificant())
            continue;
        if (t.kind == SqlToken::Kind::String && !(afterEscape && t.stringValue().isEmpty()))
            values << t.stringValue();
        afterEscape = t.kind == SqlToken::Kind::Word && t.text == QLatin1String("ESCAPE");
    }
    return values;
}

} // namespace Fuzz
