#include "db/PostgresDatabase.h"

#include "common/core/Clock.h"
#include "db/ClientLibraries.h"
#include "db/ConnectionString.h"
#include "db/DbErrors.h"
#include "db/OdbcDriverInfo.h"

#include <QAtomicInt>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QStringDecoder>
#include <QStringList>
#include <QThread>
#include <QTimeZone>

const QString PostgresDatabase::Source = QStringLiteral("PostgreSQL (Qt QPSQL)");
const QString PostgresDatabase::OdbcSource = QStringLiteral("PostgreSQL (ODBC)");

namespace {

QAtomicInt g_counter;

// The session's clock may differ this much from the program's before it is set again.
constexpr qint64 ClockToleranceMs = 1000;
// The advisory lock the program's transactions queue for ("YJGL").
constexpr qint64 WriteTurnKey = 0x594A474C;
// Between two tries to reach a server that takes writes.
constexpr int RetryPauseMs = 500;

PGconn* nativeHandle(const QSqlDatabase& db) {
    const QVariant v = db.driver() ? db.driver()->handle() : QVariant();
    if (!v.isValid() || (qstrcmp(v.typeName(), "pg_conn*") != 0 && qstrcmp(v.typeName(), "PGconn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(v.data());
}

QString literal(const QVariant& value) {
    if (Recordset::isNullValue(value))
        return QStringLiteral("NULL");
    QString text = value.toString();
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

QString quotedName(const QString& name) {
    QString n = name.toLower();
    return QLatin1Char('"') + n.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

// The server's message without its "ERROR:" prefix and the lines of context after it.
QString serverMessage(const QSqlError& e) {
    QString text = e.databaseText().trimmed();
    if (text.isEmpty())
        text = e.driverText().trimmed();
    for (const QString& prefix : {QStringLiteral("ERROR:"), QStringLiteral("FATAL:"), QStringLiteral("错误:"),
                                  QStringLiteral("致命错误:")}) {
        if (text.startsWith(prefix)) {
            text = text.mid(prefix.size()).trimmed();
            break;
        }
    }
    const qsizetype context = text.indexOf(QStringLiteral("\nCONTEXT:"));
    if (context > 0)
        text = text.left(context).trimmed();
    const qsizetype code = text.lastIndexOf(QStringLiteral("\n("));
    if (code > 0 && text.endsWith(u')'))
        text = text.left(code).trimmed();
    // psqlODBC adds its own line after the server's message.
    const qsizetype odbcLine = text.indexOf(QStringLiteral(";\nError while executing the query"));
    if (odbcLine > 0)
        text = text.left(odbcLine).trimmed();
    return text;
}

// The driver decodes a text as a document and drops a leading U+FEFF; in a value it is a
// character like any other. Such a value is decoded again from the server's bytes.
void keepLeadingMark(const QSqlQuery& query, int column, QVariant* value) {
    const QVariant handle = query.result() ? query.result()->handle() : QVariant();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGresult*") != 0 && qstrcmp(handle.typeName(), "pg_result*") != 0))
        return;
    const PGresult* result = *static_cast<const PGresult* const*>(handle.constData());
    const ClientLibraries::Libpq& pq = ClientLibraries::libpq();
    if (!result || !pq.missing.isEmpty())
        return;
    // Row by row (forward only) the result holds the current row alone.
    const int row = pq.ntuples(result) == 1 ? 0 : query.at();
    if (row < 0 || row >= pq.ntuples(result) || column >= pq.nfields(result) ||
        pq.getisnull(result, row, column))
        return;
    const char* bytes = pq.getvalue(result, row, column);
    const int length = pq.getlength(result, row, column);
    if (length < 3 || qstrncmp(bytes, "\xEF\xBB\xBF", 3) != 0)
        return;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    *value = QString(decoder(QByteArrayView(bytes, length)));
}

} // namespace

PostgresDatabase::PostgresDatabase()
    : m_name(QStringLiteral("yjgl_pg_%1").arg(g_counter.fetchAndAddRelaxed(1))) {}

PostgresDatabase::~PostgresDatabase() {
    close();
}

namespace {

// A value of a libpq connection text, quoted the way libpq reads it.
QString conninfoValue(const QString& value) {
    QString text = value;
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

// A failure that waiting will not mend: the server refused the login itself.
bool worthWaiting(const AppError& error) {
    return !error.description.contains(QStringLiteral("authentication"), Qt::CaseInsensitive) &&
           !error.description.contains(QStringLiteral("认证"));
}

} // namespace

bool PostgresDatabase::open(const ConnectionString& cs, AppError* error) {
    close();
    m_odbc = false;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        *error = DbError::make(
            DbError::NoProvider,
            QStringLiteral("找不到 PostgreSQL 数据库驱动（Qt QPSQL），无法连接 PostgreSQL 服务器。"), Source);
        return false;
    }
    if (const QString& missing = ClientLibraries::libpq().missing; !missing.isEmpty()) {
        *error = DbError::make(DbError::NoProvider, missing, Source);
        return false;
    }
    m_settings = cs;
    // Of a primary and its standby, the one that takes writes; during a failover neither may
    // for a while, until the standby has been promoted.
    const int patienceMs = cs.postgresFailover() ? cs.failoverTimeoutMs() : 0;
    QElapsedTimer waited;
    waited.start();
    while (!connectOnce(error)) {
        if (waited.elapsed() + RetryPauseMs > patienceMs || !worthWaiting(*error))
            return false;
        QThread::msleep(RetryPauseMs);
    }
    m_linkLost = false;
    m_shiftKnown = true;
    m_shiftMs = 0;
    return true;
}

bool PostgresDatabase::connectOnce(AppError* error) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    // The client itself gives up a server that does not answer (whole seconds, at least 2; for
    // each server named).
    QString options =
        QStringLiteral("connect_timeout=%1 application_name=yjgl").arg(qMax(2, (m_statementMs + 999) / 1000));
    db.setPort(-1);
    for (const auto& [name, value] : m_settings.postgresParameters()) {
        if (name == "host")
            db.setHostName(value);
        else if (name == "dbname")
            db.setDatabaseName(value);
        else if (name == "user")
            db.setUserName(value);
        else if (name == "password")
            db.setPassword(value);
        else
            options += QLatin1Char(' ') + QString::fromLatin1(name) + QLatin1Char('=') + conninfoValue(value);
    }
    db.setConnectOptions(options);
    if (!db.open()) {
        *error = DbError::make(DbError::BrokenLink, serverMessage(db.lastError()), Source);
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        return false;
    }
    m_odbc = false;
    if (m_socketSink)
        *m_socketSink = socketDescriptor();
    return prepareSession(error);
}

bool PostgresDatabase::adoptOdbcLink(const QString& connectionName, int lockWaitMs, AppError* error) {
    close();
    m_name = connectionName;
    m_odbc = true;
    m_lockWaitMs = lockWaitMs;
    return prepareSession(error);
}

bool PostgresDatabase::prepareSession(AppError* error) {
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    // Values go into statements between quotes with only the quotes doubled; a server or
    // database set to read \' as an escaped quote would take the rest of a value typed with a
    // backslash as statement text. The session reads quotes the standard way, or is not used.
    QSqlQuery quoting(db);
    if (!quoting.exec(QStringLiteral("SET standard_conforming_strings = on"))) {
        *error = DbError::make(DbError::BrokenLink,
                               QStringLiteral("PostgreSQL 服务器不接受标准的字符串写法"
                                              "（standard_conforming_strings）：%1")
                                   .arg(serverMessage(quoting.lastError())),
                               source());
        quoting = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        return false;
    }
    // Times read and written follow this workstation's zone; a zone the server does not know
    // leaves the server's own.
    const QByteArray zone = QTimeZone::systemTimeZoneId();
    if (!zone.isEmpty()) {
        QSqlQuery setZone(db);
        setZone.exec(QStringLiteral("SET TIME ZONE ") + literal(QString::fromUtf8(zone)));
    }
    // A statement or a lock wait that the server can still end ends after the program's timeout.
    QSqlQuery timeouts(db);
    timeouts.exec(QStringLiteral("SET statement_timeout = %1; SET lock_timeout = %1").arg(m_statementMs));
    if (m_backendSink) {
        QSqlQuery backend(db);
        if (backend.exec(QStringLiteral("SELECT pg_backend_pid()")) && backend.next())
            *m_backendSink = backend.value(0).toLongLong();
    }
    m_shiftKnown = true;
    m_shiftMs = 0;
    return true;
}

void PostgresDatabase::setTimeoutMs(int statementMs, int lockWaitMs) {
    m_statementMs = qMax(1, statementMs);
    m_lockWaitMs = qMax(1, lockWaitMs);
}

int PostgresDatabase::socketDescriptor() const {
    const PGconn* conn =
        QSqlDatabase::contains(m_name) ? nativeHandle(QSqlDatabase::database(m_name, false)) : nullptr;
    return conn ? ClientLibraries::libpq().socket(conn) : -1;
}

// After a lost link the session is gone (its transaction too): the next statement outside a
// transaction starts on a new one, on whichever server takes writes now. Inside a transaction
// every statement fails until the caller has rolled it back.
bool PostgresDatabase::reconnectIfLost(AppError* error) {
    // Through ODBC the data source's driver holds the settings: the connection opens it again.
    if (!m_linkLost || m_inTransaction || m_odbc)
        return true;
    const ConnectionString settings = m_settings;
    return open(settings, error);
}

void PostgresDatabase::endSessions(const QList<qint64>& backends) {
    QStringList pids;
    for (const qint64 pid : backends)
        pids << QString::number(pid);
    if (pids.isEmpty() || !QSqlDatabase::contains(m_name))
        return;
    // Whatever the outcome (a process already gone, a server that refuses), this session goes on.
    QSqlQuery end(QSqlDatabase::database(m_name, false));
    end.exec(QStringLiteral("SELECT pg_terminate_backend(p) FROM unnest(ARRAY[%1]::int[]) AS p")
                 .arg(pids.join(',')));
}

void PostgresDatabase::close() {
    if (m_socketSink)
        *m_socketSink = -1;
    if (m_backendSink)
        *m_backendSink = 0;
    m_returnsRows.clear();
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close(); // an open transaction ends with the session
    }
    QSqlDatabase::removeDatabase(m_name);
    m_inTransaction = false;
    m_transactionFailed = false;
}

bool PostgresDatabase::isOpen() const {
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

// The server's SQLSTATE: libpq's error code, or the ODBC driver's diagnostic record (its native
// code is the driver's own, not the server's).
QString PostgresDatabase::stateOf(const QSqlQuery& query) const {
    return m_odbc ? OdbcDriverInfo::sqlState(query) : query.lastError().nativeErrorCode();
}

AppError PostgresDatabase::failure(const QSqlError& e, const QString& state) const {
    const QSqlDatabase db = QSqlDatabase::database(m_name, false);
    const PGconn* conn = m_odbc ? nullptr : nativeHandle(db);
    const bool linkGone =
        m_odbc ? !db.isOpen()
               : !db.isOpen() || !conn || ClientLibraries::libpq().status(conn) == CONNECTION_BAD;
    const bool lost = linkGone || state.startsWith(QStringLiteral("08")) || state == u"57P01" ||
                      state == u"57P02" || state == u"57P03";
    qint64 number = DbError::StatementFailed;
    if (lost)
        number = DbError::BrokenLink;
    else if (state == u"55P03" || state == u"57014")
        number = DbError::LockTimeout;
    AppError error = DbError::make(number, serverMessage(e), source());
    error.nativeCode = state; // the server's SQLSTATE
    return error;
}

bool PostgresDatabase::run(const QString& sql, bool keepRows, RecordsetPtr* rows, AppError* error) {
    QSqlQuery query(QSqlDatabase::database(m_name, false));
    query.setForwardOnly(true);
    if (!query.exec(sql)) {
        *error = failure(query.lastError(), stateOf(query));
        if (error->number == DbError::BrokenLink)
            m_linkLost = true;
        if (m_inTransaction)
            m_transactionFailed = true;
        return false;
    }
    if (!query.isSelect()) {
        m_affected += qMax(0, query.numRowsAffected());
        return true;
    }
    if (!keepRows)
        return true;
    const QSqlRecord record = query.record();
    const int columns = record.count();
    QStringList names;
    names.reserve(columns);
    for (int c = 0; c < columns; ++c)
        names.append(record.fieldName(c));
    QVector<QVector<QVariant>> data;
    if (query.size() > 0)
        data.reserve(query.size());
    while (query.next()) {
        QVector<QVariant> row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            QVariant v = query.value(c);
            if (v.typeId() == QMetaType::QString)
                keepLeadingMark(query, c, &v);
            row.append(v.isNull() ? QVariant() : std::move(v));
        }
        data.append(std::move(row));
    }
    *rows = std::make_shared<Recordset>(names, std::move(data));
    return true;
}

// The session's getdate() is the server's time moved by the difference between the program's
// clock and this computer's (none in normal use: then nothing is sent).
bool PostgresDatabase::followClock(AppError* error) {
    const qint64 shift = QDateTime::currentDateTime().msecsTo(Clock::now()) - Clock::serverOffsetMs();
    if (m_shiftKnown && qAbs(shift - m_shiftMs) < ClockToleranceMs)
        return true;
    if (!run(QStringLiteral("SELECT set_config('yjgl.clock_shift_ms', '%1', false)").arg(shift), false,
             nullptr, error))
        return false;
    m_shiftKnown = true;
    m_shiftMs = shift;
    return true;
}

bool PostgresDatabase::callProcedure(const AdaptedStatement& call, RecordsetPtr* rows, AppError* error) {
    const QString key = call.procedure.toLower();
    auto known = m_returnsRows.constFind(key);
    if (known == m_returnsRows.constEnd()) {
        RecordsetPtr found;
        if (!run(QStringLiteral("SELECT p.prorettype <> 'void'::regtype FROM pg_proc p WHERE p.proname = %1 "
                                "AND pg_function_is_visible(p.oid) LIMIT 1")
                     .arg(literal(key)),
                 true, &found, error))
            return false;
        if (!found || found->RecordCount() == 0) {
            *error = DbError::make(DbError::StatementFailed,
                                   QStringLiteral("找不到存储过程 '%1'。").arg(call.procedure), source());
            return false;
        }
        found->MoveFirst();
        known = m_returnsRows.insert(key, found->boolean(0));
    }
    QStringList arguments;
    for (const QVariant& a : call.arguments)
        arguments << literal(a);
    const QString invocation = quotedName(key) + QLatin1Char('(') + arguments.join(QLatin1Char(',')) + u')';
    const bool ok = known.value() ? run(QStringLiteral("SELECT * FROM ") + invocation, true, rows, error)
                                  : run(QStringLiteral("SELECT ") + invocation, false, nullptr, error);
    if (!ok && error->nativeCode == u"42883") { // dropped or replaced since it was looked up
        m_returnsRows.remove(key);
        error->description =
            QStringLiteral("找不到存储过程 '%1'（%2）。").arg(call.procedure, error->description);
    }
    return ok;
}

RecordsetPtr PostgresDatabase::execute(const QVector<AdaptedStatement>& statements, AppError* error) {
    if (!reconnectIfLost(error))
        return nullptr;
    if (m_transactionFailed) {
        *error = DbError::make(DbError::StatementFailed,
                               QStringLiteral("事务中先前的语句已失败，请先回滚事务。"), source());
        return nullptr;
    }
    if (!followClock(error))
        return nullptr;
    // One statement is a unit by itself; several run in a transaction of their own, or inside
    // the caller's under a savepoint, so that a failure undoes all of them.
    m_affected = 0;
    const bool asUnit = statements.size() > 1;
    const bool ownTransaction = asUnit && !m_inTransaction;
    if (asUnit && !run(ownTransaction ? QStringLiteral("BEGIN") : QStringLiteral("SAVEPOINT yjgl_unit"),
                       false, nullptr, error))
        return nullptr;
    RecordsetPtr rows;
    bool ok = true;
    for (const AdaptedStatement& s : statements) {
        RecordsetPtr result;
        ok = s.kind == AdaptedStatement::Kind::Exec ? callProcedure(s, &result, error)
                                                    : run(s.sql, true, &result, error);
        if (!ok)
            break;
        if (result)
            rows = result;
    }
    if (asUnit) {
        AppError ignored;
        if (ownTransaction) {
            if (ok)
                ok = run(QStringLiteral("COMMIT"), false, nullptr, error);
            else
                run(QStringLiteral("ROLLBACK"), false, nullptr, &ignored);
            if (!ok)
                m_shiftKnown = false;
        } else if (ok) {
            ok = run(QStringLiteral("RELEASE yjgl_unit"), false, nullptr, error);
        } else {
            m_transactionFailed = false;
            if (!run(QStringLiteral("ROLLBACK TO yjgl_unit"), false, nullptr, &ignored))
                m_transactionFailed = true;
        }
    }
    if (!ok)
        return nullptr;
    if (!rows)
        rows = std::make_shared<Recordset>();
    rows->setRecordsAffected(m_affected);
    return rows;
}

QStringList PostgresDatabase::beginSteps(int lockWaitMs) {
    return {QStringLiteral("BEGIN"), QStringLiteral("SET LOCAL lock_timeout = %1").arg(qMax(1, lockWaitMs)),
            QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(WriteTurnKey)};
}

bool PostgresDatabase::begin(AppError* error) {
    if (m_inTransaction) {
        *error = DbError::make(DbError::StatementFailed,
                               QStringLiteral("连接上已有一个事务，不能再开始新的事务。"), source());
        return false;
    }
    // The program's transactions take the write turn at their start, one workstation after the
    // other, as on the embedded engine: what one reads before it writes (the free execution
    // number) is not taken meanwhile by another. The turn ends with the transaction; waits for
    // it and for rows end after the connection's lock wait, as on the embedded engine.
    if (!reconnectIfLost(error) || !followClock(error))
        return false;
    const QStringList steps = beginSteps(m_lockWaitMs);
    // libpq takes the three in one round trip; through ODBC they go one by one, so that each
    // step's failure is its own whatever the driver makes of a text of several.
    bool began = true;
    if (m_odbc) {
        for (const QString& step : steps)
            began = began && run(step, false, nullptr, error);
    } else {
        began = run(steps.join(QStringLiteral("; ")), false, nullptr, error);
    }
    if (!began) {
        AppError ignored;
        run(QStringLiteral("ROLLBACK"), false, nullptr, &ignored);
        if (error->number == DbError::LockTimeout)
            error->description =
                QStringLiteral("数据库正被其他工作站锁定，等待超时（%1）。").arg(error->description);
        return false;
    }
    m_inTransaction = true;
    m_transactionFailed = false;
    return true;
}

bool PostgresDatabase::commit(AppError* error) {
    if (!m_inTransaction) {
        *error =
            DbError::make(DbError::StatementFailed, QStringLiteral("没有活动的事务可以提交。"), source());
        return false;
    }
    // The server answers a commit of a failed transaction with a rollback, not an error.
    if (m_transactionFailed) {
        AppError ignored;
        rollback(&ignored);
        *error = DbError::make(DbError::StatementFailed,
                               QStringLiteral("事务中有语句失败，事务已回滚，没有提交任何更改。"), source());
        return false;
    }
    const bool ok = run(QStringLiteral("COMMIT"), false, nullptr, error);
    m_inTransaction = false;
    m_transactionFailed = false;
    if (!ok)
        m_shiftKnown = false;
    return ok;
}

bool PostgresDatabase::rollback(AppError* error) {
    if (!m_inTransaction) {
        *error =
            DbError::make(DbError::StatementFailed, QStringLiteral("没有活动的事务可以回滚。"), source());
        return false;
    }
    m_inTransaction = false;
    m_transactionFailed = false;
    m_shiftKnown = false; // a clock set inside the transaction is undone with it
    return run(QStringLiteral("ROLLBACK"), false, nullptr, error);
}
