#include "queries/core/AuditLogQuery.h"

#include "db/StatementHelpers.h"
#include "queries/core/QueryLoads.h"
#include "queries/core/QueryStatements.h"

QString AuditLogStatement(const AuditLogConditions& c) {
    const QString day = QStringLiteral("yyyy-MM-dd");
    QString sql = QStringLiteral("Select XH,CZSJ,CZY,KSMC,GZZ,CZ,DH,XQ From YJGL_LOG Where CZSJ Between ") +
                  SqlText(c.from.toString(day) + QStringLiteral(" 00:00:00")) + QStringLiteral(" And ") +
                  SqlText(c.to.toString(day) + QStringLiteral(" 23:59:59")) +
                  QStringLiteral(" AND CZY Like") + SqlText(QuerySql::UserPattern(c.user)) +
                  QStringLiteral(" AND CZ Like") + SqlText(QuerySql::UserPattern(c.action));
    const QString number = c.number.trimmed();
    if (!number.isEmpty())
        sql += QStringLiteral(" AND DH Like'") + SqlEscape(number) + QStringLiteral("%'");
    return sql + QStringLiteral(" Order By XH");
}

QVector<QueryRows::Column> AuditLogColumns() {
    return {
        {QStringLiteral("时间"), 17.5, QStringLiteral("CZSJ")},
        {QStringLiteral("操作员"), 10.83, QStringLiteral("CZY")},
        {QStringLiteral("科室"), 10.0, QStringLiteral("KSMC")},
        {QStringLiteral("工作站"), 12.0, QStringLiteral("GZZ")},
        {QStringLiteral("操作"), 10.0, QStringLiteral("CZ")},
        {QStringLiteral("处方单号"), 18.87, QStringLiteral("DH")},
        {QStringLiteral("内容"), 40.0, QStringLiteral("XQ")},
        {QStringLiteral("序号"), 8.0, QStringLiteral("XH")},
    };
}

bool LoadAuditLog(const AuditLogConditions& c, QVector<TextRow>* rows, AppError* error) {
    return LoadRecordList(AuditLogStatement(c), AuditLogColumns(), rows, error);
}
