#include "db/audit/AuditStatements.h"

#include "db/StatementHelpers.h"

namespace {

const QString kColumns = QStringLiteral("XH,CZSJ,CZY,KSMC,GZZ,CZ,DH,XQ,QZY,ZY");

} // namespace

namespace AuditSql {

QString tableExists(Connection::Engine engine) {
    switch (engine) {
    case Connection::Engine::SQLite:
        return QStringLiteral("Select count(*) From sqlite_master Where type='table' And name='YJGL_LOG'");
    case Connection::Engine::PostgreSQL:
        return QStringLiteral(
            "Select count(*) From information_schema.tables Where table_schema=current_schema() "
            "And table_name='yjgl_log'");
    case Connection::Engine::SqlServer:
    case Connection::Engine::None:
        break;
    }
    return QStringLiteral("Select count(*) From sysobjects Where name='YJGL_LOG' And xtype='U'");
}

QString head() {
    return QStringLiteral("Select top 1 XH,ZY From YJGL_LOG Order By XH Desc");
}

QString insert(const AuditRow& r) {
    return QStringLiteral("Insert Into YJGL_LOG(") + kColumns + QStringLiteral(") Values(") +
           QString::number(r.xh) + ',' + SqlText(r.czsj) + ',' + SqlText(r.czy) + ',' + SqlText(r.ksmc) +
           ',' + SqlText(r.gzz) + ',' + SqlText(r.cz) + ',' + SqlText(r.dh) + ',' + SqlText(r.xq) + ',' +
           SqlText(r.qzy) + ',' + SqlText(r.zy) + ')';
}

QString rowsAfter(qint64 after, int count) {
    return QStringLiteral("Select top %1 ").arg(count) + kColumns +
           QStringLiteral(" From YJGL_LOG Where XH>%1 Order By XH").arg(after);
}

QString row(qint64 xh) {
    return QStringLiteral("Select ") + kColumns + QStringLiteral(" From YJGL_LOG Where XH=%1").arg(xh);
}

QString period(const QDate& from, const QDate& to) {
    QStringList conditions;
    if (from.isValid())
        conditions << QStringLiteral("CZSJ>='%1 00:00:00'").arg(from.toString(QStringLiteral("yyyy-MM-dd")));
    if (to.isValid())
        conditions << QStringLiteral("CZSJ<='%1 23:59:59'").arg(to.toString(QStringLiteral("yyyy-MM-dd")));
    return QStringLiteral("Select ") + kColumns + QStringLiteral(" From YJGL_LOG") +
           (conditions.isEmpty() ? QString()
                                 : QStringLiteral(" Where ") + conditions.join(QStringLiteral(" And "))) +
           QStringLiteral(" Order By XH");
}

} // namespace AuditSql
