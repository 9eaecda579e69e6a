// Every statement text of the windows passes the adapter on the embedded database.
#include "FuzzSupport.h"
#include "TsqlAdapter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString tsql = Fuzz::text(data, size);
    QVector<AdaptedStatement> statements;
    QString error;
    const bool ok = TsqlAdapter::adapt(tsql, &statements, &error);
    Fuzz::check(ok || !error.isEmpty(), "failure without a description");
    for (const AdaptedStatement& s : statements) {
        if (s.kind == AdaptedStatement::Kind::Exec)
            Fuzz::check(!s.procedure.isEmpty(), "exec without a procedure");
    }
    (void)TsqlAdapter::splitStatements(tsql);
    return 0;
}
