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

} // namespace Fuzz
