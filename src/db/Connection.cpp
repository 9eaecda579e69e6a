#include "db/Connection.h"

#include "db/ConnectionString.h"
#include "db/DbErrors.h"
#include "db/OdbcDatabase.h"
#include "db/SqlTrace.h"
#include "db/SqliteDatabase.h"
#include "db/TsqlAdapter.h"

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

} // namespace

struct Connection::Private {
    QString connectionString;
    Engine engine = Engine::None;
    SqliteDatabase sqlite;
    std::unique_ptr<OdbcDatabase> odbc;

    RecordsetPtr run(const QString& sql, AppError* error) {
        if (engine == Engine::SqlServer)
            return odbc->execute(sql, error);
        QVector<AdaptedStatement> statements;
        QString description;
        if (!TsqlAdapter::adapt(sql, &statements, &description)) {
            *error = DbError::make(DbError::StatementFailed, description, SqliteDatabase::Source);
            return nullptr;
        }
        return sqlite.execute(statements, error);
    }

    // One transaction step on the engine in use; a closed connection fails with 3704.
    template <typename SqliteStep, typename OdbcStep>
    bool transactionStep(AppError* error, SqliteStep onSqlite, OdbcStep onOdbc) {
        AppError failure;
        bool ok = false;
        if (engine == Engine::SQLite)
            ok = (sqlite.*onSqlite)(&failure);
        else if (engine == Engine::SqlServer)
            ok = ((*odbc).*onOdbc)(&failure);
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
            QStringLiteral("找不到提供程序“%1”。连接字符串应以 Provider=sqloledb; 或 Provider=SQLite; 开头。")
                .arg(cs.provider()),
            ConnectionSource);
        break;
    case ConnectionString::Kind::SQLite:
        if (d->sqlite.open(cs.sqliteFile(), cs.busyTimeoutMs(), &failure))
            d->engine = Engine::SQLite;
        break;
    case ConnectionString::Kind::SqlServer:
        d->odbc = std::make_unique<OdbcDatabase>();
        if (d->odbc->open(cs.odbcConnectionText(), &failure))
            d->engine = Engine::SqlServer;
        else
            d->odbc.reset();
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
    case Engine::None:
        break;
    }
    return false;
}

void Connection::close() {
    // An open transaction is rolled back by closing, as on the server.
    d->sqlite.close();
    d->odbc.reset();
    d->engine = Engine::None;
}

Connection::Engine Connection::engine() const {
    return d->engine;
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
    else
        rows = d->run(sql, &failure);
    if (tracing)
        SqlTrace::record(sql, started, timer.elapsed());
    if (!rows)
        fill(error, failure);
    return rows;
}

bool Connection::beginTrans(AppError* error) {
    return d->transactionStep(error, &SqliteDatabase::begin, &OdbcDatabase::begin);
}

bool Connection::commitTrans(AppError* error) {
    return d->transactionStep(error, &SqliteDatabase::commit, &OdbcDatabase::commit);
}

bool Connection::rollbackTrans(AppError* error) {
    return d->transactionStep(error, &SqliteDatabase::rollback, &OdbcDatabase::rollback);
}

bool Connection::inTransaction() const {
    if (d->engine == Engine::SQLite)
        return d->sqlite.inTransaction();
    if (d->engine == Engine::SqlServer)
        return d->odbc->inTransaction();
    return false;
}

Connection* gConn = nullptr;

Connection& resetGlobalConnection(const QString& connectionString) {
    static std::unique_ptr<Connection> owner;
    owner = std::make_unique<Connection>();
    owner->setConnectionString(connectionString);
    gConn = owner.get();
    return *owner;
}
