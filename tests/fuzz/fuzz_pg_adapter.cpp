// The windows' T-SQL rewritten for a PostgreSQL server. Any text is adapted or refused with a
// description, one statement for each of the split batch; a value typed into a statement comes
// out as the same single value, wherever the rewrite moves it.
#include "FuzzSupport.h"
#include "SqlLiterals.h"
#include "db/SqlTokenizer.h"
#include "db/StatementHelpers.h"
#include "db/TsqlAdapter.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

namespace {

using Dialect = TsqlAdapter::Dialect;

// What the server gets as values: the literals of each statement, the text arguments of a
// call (a bare word is a text argument too, so calls only count where every value is typed).
QStringList adaptedValues(const QVector<AdaptedStatement>& statements, bool withCalls) {
    QStringList values;
    for (const AdaptedStatement& s : statements) {
        if (s.kind == AdaptedStatement::Kind::Sql) {
            values << Fuzz::valuesWithoutNoEscape(s.sql);
        } else if (withCalls) {
            for (const QVariant& a : s.arguments)
                if (a.typeId() == QMetaType::QString)
                    values << a.toString();
        }
    }
    return values;
}

bool adaptChecked(const QString& tsql, QVector<AdaptedStatement>* adapted) {
    QString error;
    const bool ok = TsqlAdapter::adapt(tsql, adapted, &error, Dialect::PostgreSQL);
    Fuzz::check(ok || !error.isEmpty(), "failure without a description");
    if (ok)
        Fuzz::check(adapted->size() == TsqlAdapter::splitStatements(tsql).size(),
                    "adapted statements differ from the split batch");
    return ok;
}

// Shapes of the windows' statements; each %n takes a typed value.
struct Shape {
    const char* text;
    int values;
};
const Shape kShapes[] = {
    {"Select top 1 DH From MZ_CF Where DH  Like%1", 1},
    {"select distinct top (20) A.DH,A.XM,isnull(B.ZXKS,%1) as KS From MZ_CF A left join MZ_CFMX B on "
     "A.DH=B.DH Where A.XM Like N%2 And len(A.DH)>0 order by A.DH",
     2},
    {"Update A Set A.ZXBZ=1,A.ZXR=%1,ZXSJ=getdate() From MZ_CFMX A, MZ_CF B Where A.DH=B.DH And B.DH=%2", 2},
    {"Update MZ_CFMX Set ZXBZ=0,ZXR=%1 From MZ_CFMX, MZ_CF Where MZ_CFMX.DH=MZ_CF.DH And MZ_CF.DH=%2", 2},
    {"Delete CS Where ControlID=%1", 1},
    {"Delete A From CS A, DAGL_ZD B Where A.ControlID=B.DM And B.DM=%1", 1},
    {" Insert into CS(Controlid,DM,DMMC) Values (%1,%2,%3)", 3},
    {"Insert into [ZY_ZXJL] (DH,[ZXR]) select %1,%2 union all select top 1 DH,%3 From ZY_CF", 3},
    {"exec SP_MZ_ZX %1,%2,-1,NULL", 2},
    {"Select XM From GY_ZGXX Where DLM=%1 And MM=%2", 2},
    {"select count(*) From MZ_CF Where KDSJ between %1 and %2 union select 0", 2},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    if (data[0] & 1) {
        // Any text: the adapter may refuse it, but never without a description, and it never
        // makes a literal of its own or cuts one in two.
        const QString tsql = Fuzz::text(data + 1, size - 1);
        QVector<AdaptedStatement> adapted;
        if (adaptChecked(tsql, &adapted)) {
            QStringList in = Fuzz::literals(tsql);
            QStringList out = adaptedValues(adapted, false);
            std::sort(in.begin(), in.end());
            std::sort(out.begin(), out.end());
            if (!std::includes(in.begin(), in.end(), out.begin(), out.end())) {
                for (const AdaptedStatement& a : adapted)
                    std::fprintf(stderr, "adapted: %s\n", qPrintable(a.sql));
            }
            Fuzz::check(std::includes(in.begin(), in.end(), out.begin(), out.end()),
                        "a literal appeared that the text did not hold");
        }
        return 0;
    }

    // A batch of the windows' statements with typed values: adapted as one statement each,
    // every value the same single value.
    FuzzedDataProvider in(data + 1, size - 1);
    const int count = in.ConsumeIntegralInRange<int>(1, 4);
    QString batch;
    QStringList values;
    for (int s = 0; s < count; ++s) {
        const Shape& shape = kShapes[in.ConsumeIntegralInRange<size_t>(0, std::size(kShapes) - 1)];
        QStringList typed;
        for (int v = 0; v < shape.values; ++v) {
            const std::string raw = in.ConsumeRandomLengthString(40);
            typed << QString::fromUtf8(raw.data(), qsizetype(raw.size()));
        }
        // One pass, so that a value holding "%2" is not filled in again.
        QString statement;
        for (const char* c = shape.text; *c; ++c) {
            if (*c == '%' && c[1] >= '1' && c[1] <= '9') {
                const QString& value = typed.at(c[1] - '1');
                statement += SqlText(value);
                values << value;
                ++c;
            } else {
                statement += QLatin1Char(*c);
            }
        }
        batch += statement + (in.ConsumeBool() ? QStringLiteral(";") : QStringLiteral("\n"));
    }
    QVector<AdaptedStatement> adapted;
    Fuzz::check(adaptChecked(batch, &adapted), "a statement of the windows refused");
    Fuzz::check(adapted.size() == count, "typed values changed the statement count");
    Fuzz::check(adaptedValues(adapted, true) == values, "a typed value did not stay one value");
    return 0;
}
