#include "queries/core/QueryLoads.h"

#include "db/StandbyReads.h"
#include "db/StatementHelpers.h"
#include "db/documents/DocumentStatements.h"
#include "queries/core/QueryStatements.h"

bool IsNumberQuery(const QueryConditions& c) {
    return !c.number.trimmed().isEmpty();
}

QString ExecutedListStatement(const QString& dept, const QueryConditions& c) {
    if (IsNumberQuery(c))
        return QuerySql::executedByNumber(dept, c.number.trimmed());
    return QuerySql::executedByDate(dept, QuerySql::UserPattern(c.user), QuerySql::UserPattern(c.checker),
                                    c.from, c.to);
}

QString VoidedListStatement(const QString& dept, const QueryConditions& c) {
    return QuerySql::voidedByDate(dept, QuerySql::UserPattern(c.user), c.from, c.to);
}

bool LoadRecordList(const QString& statement, const QVector<QueryRows::Column>& columns,
                    QVector<TextRow>* rows, AppError* error) {
    RecordsetPtr rs;
    if (!StandbyReads::OpenRsForQuery(rs, statement, error) || !rs)
        return false;
    *rows = QueryRows::ListRows(*rs, columns);
    CloseRs(rs);
    return true;
}

bool LoadDocumentItems(const QString& dept, const QString& dh, QVector<QStringList>* rows, AppError* error) {
    RecordsetPtr rs;
    if (!StandbyReads::OpenRsForQuery(rs, DocumentSql::departmentItems(dept, dh), error) || !rs)
        return false;
    *rows = QueryRows::ItemGridRows(*rs);
    CloseRs(rs);
    return true;
}

bool LoadQueryUserNames(QStringList* names, AppError* error) {
    RecordsetPtr rs;
    if (!StandbyReads::OpenRsForQuery(rs, QuerySql::users(), error) || !rs)
        return false;
    const int name = rs->fieldIndex(QStringLiteral("username"));
    names->clear();
    for (const auto& record : rs->rows())
        names->append(Recordset::asText(record.value(name)));
    CloseRs(rs);
    return true;
}
