#include "db/StatementHelpers.h"

#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/DbErrors.h"

namespace {

std::function<void(const QString&)>& failureHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}

Connection& connection() {
    if (!gConn)
        resetGlobalConnection(gConnStr);
    return *gConn;
}

} // namespace

void setConnectionFailureHandler(std::function<void(const QString& description)> handler) {
    failureHandler() = std::move(handler);
}

void OpenConn() {
    Connection& conn = connection();
    if (conn.isOpen())
        return;
    AppError error;
    if (!conn.open(&error) && failureHandler())
        failureHandler()(error.description);
}

namespace {

// Runs a statement; hands a failure back and starts again with a fresh connection after a
// lost link, so that the next statement does not run into it (the statement is not rerun).
RecordsetPtr run(const QString& sql, AppError* error) {
    OpenConn();
    AppError failure;
    RecordsetPtr rs = connection().execute(sql, &failure);
    if (rs)
        return rs;
    if (error)
        *error = failure;
    if (DbError::needsReconnect(failure.number)) {
        connection().close();
        OpenConn();
    }
    return nullptr;
}

} // namespace

bool OpenRsQuiet(RecordsetPtr& rs, const QString& sql, AppError* error) {
    rs.reset();
    rs = run(sql, error);
    return rs != nullptr;
}

void CloseRs(RecordsetPtr& rs) {
    rs.reset();
}

bool ExecSqlQuiet(const QString& sql, AppError* error) {
    return run(sql, error) != nullptr;
}

QString SqlEscape(const QString& value) {
    QString escaped = value;
    return escaped.replace(QLatin1Char('\''), QStringLiteral("''"));
}

QString SqlText(const QString& value) {
    return QLatin1Char('\'') + SqlEscape(value) + QLatin1Char('\'');
}

QString RecordExistsStatement(const QString& table, const QString& field, const QString& value,
                              const QString& extraCondition) {
    QString sql = QStringLiteral("Select top 1 ") + field + QStringLiteral(" From ") + table +
                  QStringLiteral(" Where ") + field + QStringLiteral("  Like") + SqlText(value);
    if (!extraCondition.isEmpty())
        sql += QStringLiteral(" And ") + extraCondition;
    return sql;
}

bool RecordExists(const QString& table, const QString& field, const QString& value,
                  const QString& extraCondition, AppError* error) {
    RecordsetPtr rs;
    const bool ok = OpenRsQuiet(rs, RecordExistsStatement(table, field, value, extraCondition), error);
    const bool found = ok && rs && rs->RecordCount() > 0;
    CloseRs(rs);
    return found;
}
