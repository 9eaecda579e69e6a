// Every statement text of the windows passes the adapter on the embedded database.
#include "FuzzSupport.h"
#include "SqlLiterals.h"
#include "db/SqlTokenizer.h"
#include "db/TsqlAdapter.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString tsql = Fuzz::text(data, size);
    QVector<AdaptedStatement> statements;
    QString error;
    const bool ok = TsqlAdapter::adapt(tsql, &statements, &error);
    Fuzz::check(ok || !error.isEmpty(), "failure without a description");
    // The batch runs as the statements it shows in traces, one adapted statement for each.
    const QStringList pieces = TsqlAdapter::splitStatements(tsql);
    if (!ok)
        return 0;
    Fuzz::check(statements.size() == pieces.size(), "adapted statements differ from the split batch");
    // No rewrite makes a literal of its own or joins two into one.
    QStringList in = Fuzz::literals(tsql);
    QStringList out;
    for (const AdaptedStatement& s : statements)
        if (s.kind == AdaptedStatement::Kind::Sql)
            out << Fuzz::literals(s.sql);
    std::sort(in.begin(), in.end());
    std::sort(out.begin(), out.end());
    Fuzz::check(std::includes(in.begin(), in.end(), out.begin(), out.end()),
                "a literal appeared that the text did not hold");
    // What the shapes give is what the text adapted afresh gives, parameters included.
    QVector<AdaptedStatement> fresh;
    Fuzz::check(TsqlAdapter::adaptAsWritten(tsql, &fresh, &error) && fresh.size() == statements.size(),
                "the shape and the text adapt differently");
    for (qsizetype i = 0; i < fresh.size(); ++i) {
        const AdaptedStatement& s = statements.at(i);
        Fuzz::check(s.sql == fresh.at(i).sql && s.procedure == fresh.at(i).procedure &&
                        s.arguments == fresh.at(i).arguments,
                    "the shape's statement differs from the text's");
        QVariantList values;
        if (s.parametersKnown)
            Fuzz::check(s.parameterized == TsqlAdapter::parameterize(s.sql, &values) && s.values == values,
                        "the shape's parameters differ from the text's");
    }
    return 0;
}
