#include "db/Connection.h"

#include "db/ConnectionString.h"
#include "db/DbErrors.h"
#include "db/OdbcDatabase.h"
#include "db/PostgresDatabase.h"
#include "db/SqlTrace.h"
#include "db/SqliteDatabase.h"
#include "db/TsqlAdapter.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

const QString ConnectionSource = QStringLiteral("yjgl 数据库连接");

void fill(AppError* target, const AppError& value) {
    if (target)
        *target = value;
}

AppError closedError() {
    return DbError::make(DbError::ClosedObject, QStringLiteral("对象关闭时，不允许操作。"), ConnectionSource);
}

// The position of a surrogate that is not one of a pair, or -1.
qsizetype loneSurrogateAt(const QString& text) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (!c.isSurrogate())
            continue;
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        return i;
    }
    return -1;
}

} // namespace

struct Connection::Private {
    QString connectionString;
    Engine engine = Engine::None;
    SqliteDatabase sqlite;
    std::unique_ptr<OdbcDatabase> odbc;
    std::unique_ptr<PostgresDatabase> postgres;
    // The last text adapted and its statements: the pending list's timer sends the same text
    // every few seconds all day.
    QString adaptedSql;
    TsqlAdapter::Dialect adaptedDialect = TsqlAdapter::Dialect::SQLite;
    QVector<AdaptedStatement> adapted;

    RecordsetPtr run(const QString& sql, AppError* error) {
        if (engine == Engine::SqlServer)
            return odbc->execute(sql, error);
        const bool onPostgres = engine == Engine::PostgreSQL;
        const TsqlAdapter::Dialect dialect =
            onPostgres ? TsqlAdapter::Dialect::PostgreSQL : TsqlAdapter::Dialect::SQLite;
        if (adapted.isEmpty() || sql != adaptedSql || dialect != adaptedDialect) {
            QVector<AdaptedStatement> statements;
            QString description;
            if (!TsqlAdapter::adapt(sql, &statements, &description, dialect)) {
                *error = DbError::make(DbError::StatementFailed, description,
                                       onPostgres ? postgres->source() : SqliteDatabase::Source);
                return nullptr;
            }
            adaptedSql = sql;
            adaptedDialect = dialect;
            adapted = std::move(statements);
        }
        // A copy (shared, not deep): a statement run meanwhile may adapt another text.
        const QVector<AdaptedStatement> statements = adapted;
        return onPostgres ? postgres->execute(statements, error) : sqlite.execute(statements, error);
    }

    // One transaction step on the engine in use; a closed connection fails with 3704.
    template <typename SqliteStep, typename OdbcStep, typename PostgresStep>
    bool transactionStep(AppError* error, SqliteStep onSqlite, OdbcStep onOdbc, PostgresStep onPostgres) {
        AppError failure;
        bool ok = false;
        if (engine == Engine::SQLite)
            ok = (sqlite.*onSqlite)(&failure);
        else if (engine == Engine::SqlServer)
            ok = ((*odbc).*onOdbc)(&failure);
        else if (engine == Engine::PostgreSQL)
            ok = ((*postgres).*onPostgres)(&failure);
        else
            failure = closedError();
        if (!ok)
            fill(error, failure);
        return ok;
    }
};

Connection::Connection() : d(std::make_unique<Private>()) {}

Connection::~Connection() {
    close();
}

void Connection::setConnectionString(const QString& connectionString) {
    d->connectionString = connectionString;
}

QString Connection::connectionString() const {
    return d->connectionString;
}

bool Connection::open(AppError* error) {
    if (isOpen())
        return true;
    close();
    const ConnectionString cs = ConnectionString::parse(d->connectionString);
    AppError failure;
    switch (cs.kind()) {
    case ConnectionString::Kind::Empty:
        failure =
            DbError::make(DbError::BrokenLink, QStringLiteral("未设置数据库连接字符串。"), ConnectionSource);
        break;
    case ConnectionString::Kind::Unknown:
        failure = DbError::make(
            DbError::NoProvider,
            QStringLiteral("找不到提供程序“%1”。连接字符串应以 Provider=sqloledb;、Provider=PostgreSQL;、"
                           "Provider=SQLite; 或 DSN= 开头。")
                .arg(cs.provider()),
            ConnectionSource);
        break;
    case ConnectionString::Kind::SQLite:
        if (d->sqlite.open(cs.sqliteFile(), cs.busyTimeoutMs(), &failure))
            d->engine = Engine::SQLite;
        break;
    case ConnectionString::Kind::SqlServer:
        d->odbc = std::make_unique<OdbcDatabase>();
        d->odbc->setLockWaitMs(cs.busyTimeoutMs());
        if (d->odbc->open(cs.odbcConnectionText(), &failure))
            d->engine = Engine::SqlServer;
        else
            d->odbc.reset();
        break;
    case ConnectionString::Kind::Odbc:
        openDataSource(cs, &failure);
        break;
    case ConnectionString::Kind::PostgreSQL:
        d->postgres = std::make_unique<PostgresDatabase>();
        if (d->postgres->open(cs, &failure))
            d->engine = Engine::PostgreSQL;
        else
            d->postgres.reset();
        break;
    }
    if (d->engine == Engine::None) {
        fill(error, failure);
        return false;
    }
    return true;
}

bool Connection::isOpen() const {
    switch (d->engine) {
    case Engine::SQLite:
        return d->sqlite.isOpen();
    case Engine::SqlServer:
        return d->odbc && d->odbc->isOpen();
    case Engine::PostgreSQL:
        return d->postgres && d->postgres->isOpen();
    case Engine::None:
        break;
    }
    return false;
}

void Connection::close() {
    // An open transaction is rolled back by closing, as on the server.
    d->sqlite.close();
    d->odbc.reset();
    d->postgres.reset();
    d->engine = Engine::None;
}

Connection::Engine Connection::engine() const {
    return d->engine;
}

Connection::Engine Connection::engineForDbms(const QString& dbmsName) {
    const QString name = dbmsName.trimmed();
    if (name.compare(QStringLiteral("Microsoft SQL Server"), Qt::CaseInsensitive) == 0)
        return Engine::SqlServer;
    if (name.compare(QStringLiteral("PostgreSQL"), Qt::CaseInsensitive) == 0)
        return Engine::PostgreSQL;
    return Engine::None;
}

// A data source of odbc.ini: the link is opened once, and the product its driver reports
// decides who speaks to it.
void Connection::openDataSource(const ConnectionString& cs, AppError* failure) {
    auto link = std::make_unique<OdbcDatabase>();
    link->setLockWaitMs(cs.busyTimeoutMs());
    if (!link->open(cs.dsnConnectionText(), failure))
        return;
    const QString product = link->dbmsName();
    switch (engineForDbms(product)) {
    case Engine::SqlServer:
        d->odbc = std::move(link);
        d->engine = Engine::SqlServer;
        return;
    case Engine::PostgreSQL:
        d->postgres = std::make_unique<PostgresDatabase>();
        if (d->postgres->adoptOdbcLink(link->releaseLink(), cs.busyTimeoutMs(), failure))
            d->engine = Engine::PostgreSQL;
        else
            d->postgres.reset();
        return;
    case Engine::SQLite:
    case Engine::None:
        break;
    }
    *failure = DbError::make(DbError::NoProvider,
                             QStringLiteral("ODBC 数据源“%1”连接的数据库是“%2”，本程序只能连接 Microsoft SQL "
                                            "Server 或 PostgreSQL 数据库。")
                                 .arg(cs.value(QStringLiteral("dsn")), product),
                             ConnectionSource);
}

RecordsetPtr Connection::execute(const QString& sql, AppError* error) {
    // Reading the clock costs more than a small statement: only for the trace.
    const bool tracing = SqlTrace::enabled();
    const QDateTime started = tracing ? QDateTime::currentDateTime() : QDateTime();
    QElapsedTimer timer;
    if (tracing)
        timer.start();
    AppError failure;
    RecordsetPtr rows;
    if (!isOpen())
        failure = closedError();
    else if (sql.contains(QChar(0)))
        // The engines end a statement at a NUL: the text after it would be lost or misread.
        failure =
            DbError::make(DbError::StatementFailed,
                          QStringLiteral("输入的内容中含有空字符（NUL），无法保存。请删除该字符后重新输入。"),
                          ConnectionSource);
    else if (const qsizetype at = loneSurrogateAt(sql); at >= 0)
        // Half of a character: the engines would store "?" in its place.
        failure = DbError::make(
            DbError::StatementFailed,
            QStringLiteral("输入的内容中含有不完整的字符（U+%1），无法保存。请删除该字符后重新输入。")
                .arg(sql.at(at).unicode(), 4, 16, QLatin1Char('0'))
                .toUpper(),
            ConnectionSource);
    else
        rows = d->run(sql, &failure);
    if (tracing)
        SqlTrace::record(sql, started, timer.elapsed());
    if (!rows)
        fill(error, failure);
    return rows;
}

bool Connection::beginTrans(AppError* error) {
    return d->transactionStep(error, &SqliteDatabase::begin, &OdbcDatabase::begin, &PostgresDatabase::begin);
}

bool Connection::commitTrans(AppError* error) {
    return d->transactionStep(error, &SqliteDatabase::commit, &OdbcDatabase::commit,
                              &PostgresDatabase::commit);
}

bool Connection::rollbackTrans(AppError* error) {
    return d->transactionStep(error, &SqliteDatabase::rollback, &OdbcDatabase::rollback,
                              &PostgresDatabase::rollback);
}

bool Connection::inTransaction() const {
    if (d->engine == Engine::SQLite)
        return d->sqlite.inTransaction();
    if (d->engine == Engine::SqlServer)
        return d->odbc->inTransaction();
    if (d->engine == Engine::PostgreSQL)
        return d->postgres->inTransaction();
    return false;
}

Connection* gConn = nullptr;

Connection& resetGlobalConnection(const QString& connectionString) {
    static std::unique_ptr<Connection> owner;
    // A server connection is closed while Qt's driver registry still exists: it goes before
    // the static objects of the run.
    static const bool closesWithApplication = [] {
        if (QCoreApplication::instance())
            qAddPostRoutine([] {
                if (gConn)
                    gConn->close();
            });
        return true;
    }();
    Q_UNUSED(closesWithApplication);
    owner = std::make_unique<Connection>();
    owner->setConnectionString(connectionString);
    gConn = owner.get();
    return *owner;
}
