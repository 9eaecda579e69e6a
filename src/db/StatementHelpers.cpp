#include "db/StatementHelpers.h"

#include "common/core/MessageService.h"
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

// Runs a query; on failure either shows the common error message or hands the error back,
// then starts again with a fresh connection after a lost link (the statement is not rerun).
bool runQuery(RecordsetPtr& rs, const QString& sql, AppError* error, bool showError) {
    rs.reset();
    OpenConn();
    AppError failure;
    rs = connection().execute(sql, &failure);
    if (rs)
        return true;
    if (showError)
        ShowErrorMessage(failure);
    if (error)
        *error = failure;
    if (DbError::needsReconnect(failure.number)) {
        connection().close();
        OpenConn();
    }
    return false;
}

} // namespace

bool OpenRsQuiet(RecordsetPtr& rs, const QString& sql, AppError* error) {
    return runQuery(rs, sql, error, false);
}

bool OpenRs(RecordsetPtr& rs, const QString& sql) {
    return runQuery(rs, sql, nullptr, true);
}

void CloseRs(RecordsetPtr& rs) {
    rs.reset();
}

bool ExecSql(const QString& sql) {
    OpenConn();
    AppError failure;
    if (connection().execute(sql, &failure))
        return true;
    ShowErrorMessage(failure);
    // A lost link is not left open for the next statement to run into: as after a failed query,
    // the connection starts again (the statement is not rerun).
    if (DbError::needsReconnect(failure.number)) {
        connection().close();
        OpenConn();
    }
    return false;
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
