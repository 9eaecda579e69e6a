// Every statement text of the windows passes the adapter on the embedded database.
#include "FuzzSupport.h"
#include "db/TsqlAdapter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString tsql = Fuzz::text(data, size);
    QVector<AdaptedStatement> statements;
    QString error;
    const bool ok = TsqlAdapter::adapt(tsql, &statements, &error);
    Fuzz::check(ok || !error.isEmpty(), "failure without a description");
    // The batch runs as the statements it shows in traces, one adapted statement for each.
    const QStringList pieces = TsqlAdapter::splitStatements(tsql);
    if (ok)
        Fuzz::check(statements.size() == pieces.size(), "adapted statements differ from the split batch");
    return 0;
}
