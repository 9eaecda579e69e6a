#include "db/StatementHelpers.h"

#include "common/core/BusyState.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/DbErrors.h"

#include <QCoreApplication>
#include <QThread>

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

namespace {

bool g_lostLinkPending = false;

void reopen() {
    Connection& conn = connection();
    if (conn.isOpen())
        return;
    AppError error;
    if (!conn.open(&error) && failureHandler())
        failureHandler()(error.description);
}

bool hasEventLoop() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread() && !QCoreApplication::closingDown();
}

// The road itself: waits while anything is under way, then reopens once.
void takeLostLinkRoad() {
    if (!g_lostLinkPending)
        return;
    if (BusyState::instance().underWay()) {
        QObject::connect(&BusyState::instance(), &BusyState::idle, QCoreApplication::instance(),
                         &takeLostLinkRoad,
                         Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        return;
    }
    g_lostLinkPending = false;
    reopen();
}

} // namespace

void ReportLostLink() {
    if (g_lostLinkPending || !hasEventLoop())
        return;
    g_lostLinkPending = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), &takeLostLinkRoad, Qt::QueuedConnection);
}

bool LostLinkPending() {
    return g_lostLinkPending;
}

void OpenConn() {
    reopen();
}

namespace {

// Runs a statement and hands a failure back. After a lost link the connection has closed itself
// and the lost-link road reopens it from the event loop (the statement is not rerun). Without
// an event loop the connection is reopened here, so that the next statement does not run into it.
RecordsetPtr run(const QString& sql, AppError* error) {
    // While the lost-link road is on its way, the reopen is its own.
    if (!g_lostLinkPending)
        OpenConn();
    AppError failure;
    RecordsetPtr rs = connection().execute(sql, &failure);
    if (rs)
        return rs;
    if (error)
        *error = failure;
    if (DbError::needsReconnect(failure.number) && !g_lostLinkPending) {
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
