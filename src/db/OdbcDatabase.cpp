#include "db/OdbcDatabase.h"

#include "db/ClientLibraries.h"
#include "db/DbErrors.h"
#include "db/OdbcDriverInfo.h"
#include "db/SqlServerWriteTurn.h"
#include "db/SqlTrace.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlext.h>

namespace {

const QString DriverSource = QStringLiteral("Microsoft SQL Server (ODBC, FreeTDS)");

QAtomicInt g_counter;

// SQLSTATE class 08 is a connection exception, whatever the driver.
bool isLinkFailure(const QSqlError& e, const QString& state, const QSqlDatabase& db) {
    const QString all =
        e.nativeErrorCode() + QLatin1Char(' ') + e.driverText() + QLatin1Char(' ') + e.databaseText();
    return !db.isOpen() || e.type() == QSqlError::ConnectionError || state.startsWith(QStringLiteral("08")) ||
           all.contains(QStringLiteral("08S01")) || all.contains(QStringLiteral("08001")) ||
           all.contains(QStringLiteral("08003")) ||
           all.contains(QStringLiteral("Communication link"), Qt::CaseInsensitive) ||
           all.contains(QStringLiteral("Write to the server failed"), Qt::CaseInsensitive) ||
           all.contains(QStringLiteral("Read from the server failed"), Qt::CaseInsensitive);
}

AppError toAppError(const QSqlError& e, const QString& state, const QSqlDatabase& db) {
    QString description = e.databaseText().trimmed();
    if (description.isEmpty())
        description = e.driverText().trimmed();
    AppError error =
        DbError::make(isLinkFailure(e, state, db) ? DbError::BrokenLink : DbError::StatementFailed,
                      description, DriverSource);
    error.nativeCode = e.nativeErrorCode().trimmed();
    return error;
}

} // namespace

OdbcDatabase::OdbcDatabase() : m_name(QStringLiteral("yjgl_odbc_%1").arg(g_counter.fetchAndAddRelaxed(1))) {}

OdbcDatabase::~OdbcDatabase() {
    close();
}

QString OdbcDatabase::source() const {
    return DriverSource;
}

bool OdbcDatabase::open(const QString& odbcText, AppError* error) {
    close();
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC"))) {
        *error = DbError::make(DbError::NoProvider,
                               QStringLiteral("找不到 ODBC 数据库驱动（Qt QODBC），无法连接 SQL Server。"),
                               DriverSource);
        return false;
    }
    const ClientLibraries::Odbc& odbc = ClientLibraries::odbc();
    if (!odbc.missing.isEmpty()) {
        *error = DbError::make(DbError::NoProvider, odbc.missing, DriverSource);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    // Qt's driver takes a text with neither DRIVER= nor SERVER= for a bare data source name and
    // puts "DSN=" before it itself.
    QString text = odbcText;
    if (text.startsWith(QStringLiteral("DSN="), Qt::CaseInsensitive) &&
        !text.contains(QStringLiteral("DRIVER="), Qt::CaseInsensitive) &&
        !text.contains(QStringLiteral("SERVER="), Qt::CaseInsensitive))
        text = text.mid(4);
    db.setDatabaseName(text);
    db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=15;SQL_ATTR_CONNECTION_TIMEOUT=30"));
    if (!db.open()) {
        *error = DbError::make(DbError::BrokenLink, db.lastError().text().trimmed(), DriverSource);
        error->nativeCode = db.lastError().nativeErrorCode().trimmed();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        return false;
    }
    // Qt has no option for the statements' timeout: it is set through the driver's handle, as
    // the default of every statement the connection makes. A driver that refuses it still has
    // the connection's own deadline behind it.
    const QVariant handle = db.driver()->handle();
    if (handle.isValid() &&
        (qstrcmp(handle.typeName(), "SQLHANDLE") == 0 || handle.typeId() == QMetaType::VoidStar)) {
        const SQLHANDLE hdbc = *static_cast<const SQLHANDLE*>(handle.constData());
        const SQLULEN seconds = SQLULEN(qMax(1, (m_statementMs + 999) / 1000));
        odbc.setConnectAttr(hdbc, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(seconds),
                            SQL_IS_UINTEGER);
    }
    return true;
}

QString OdbcDatabase::dbmsName() const {
    return OdbcDriverInfo::dbmsName(QSqlDatabase::database(m_name, false));
}

QString OdbcDatabase::releaseLink() {
    const QString name = m_name;
    m_name.clear();
    m_inTransaction = false;
    return name;
}

void OdbcDatabase::close() {
    if (m_name.isEmpty() || !QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (m_inTransaction && db.isOpen())
            db.rollback();
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_inTransaction = false;
}

bool OdbcDatabase::isOpen() const {
    return !m_name.isEmpty() && QSqlDatabase::contains(m_name) &&
           QSqlDatabase::database(m_name, false).isOpen();
}

RecordsetPtr OdbcDatabase::execute(const QString& sql, AppError* error) {
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql)) {
        *error = toAppError(query.lastError(), OdbcDriverInfo::sqlState(query), db);
        return nullptr;
    }
    RecordsetPtr rows;
    int affected = 0;
    do {
        if (!query.isSelect()) {
            affected += qMax(0, query.numRowsAffected());
            continue;
        }
        const QSqlRecord record = query.record();
        QStringList names;
        for (int c = 0; c < record.count(); ++c)
            names.append(record.fieldName(c));
        QVector<QVector<QVariant>> data;
        while (query.next()) {
            QVector<QVariant> row;
            row.reserve(record.count());
            for (int c = 0; c < record.count(); ++c) {
                const QVariant v = query.value(c);
                row.append(v.isNull() ? QVariant() : v);
            }
            data.append(std::move(row));
        }
        if (query.lastError().isValid()) {
            *error = toAppError(query.lastError(), OdbcDriverInfo::sqlState(query), db);
            return nullptr;
        }
        rows = std::make_shared<Recordset>(names, std::move(data));
    } while (query.nextResult());
    if (!rows)
        rows = std::make_shared<Recordset>();
    rows->setRecordsAffected(affected);
    return rows;
}

bool OdbcDatabase::begin(AppError* error) {
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (!db.transaction()) {
        *error = toAppError(db.lastError(), OdbcDriverInfo::sqlState(db), db);
        return false;
    }
    m_inTransaction = true;
    // The write turn first, as on the other engines: two workstations never propose and
    // insert the same execution number at the same moment.
    const QString turn = SqlServerWriteTurn::statement(m_lockWaitMs);
    const QDateTime started = SqlTrace::enabled() ? QDateTime::currentDateTime() : QDateTime();
    QElapsedTimer timer;
    timer.start();
    RecordsetPtr answer = execute(turn, error);
    if (SqlTrace::enabled())
        SqlTrace::record(turn, started, timer.elapsed());
    if (answer && SqlServerWriteTurn::granted(answer.get(), error))
        return true;
    AppError ignored;
    rollback(&ignored);
    return false;
}

bool OdbcDatabase::commit(AppError* error) {
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (!db.commit()) {
        *error = toAppError(db.lastError(), OdbcDriverInfo::sqlState(db), db);
        return false;
    }
    m_inTransaction = false;
    return true;
}

bool OdbcDatabase::rollback(AppError* error) {
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    const bool ok = db.rollback();
    m_inTransaction = false;
    if (!ok)
        *error = toAppError(db.lastError(), OdbcDriverInfo::sqlState(db), db);
    return ok;
}
