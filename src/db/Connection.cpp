#include "db/Connection.h"

#include "db/ConnectionString.h"
#include "db/DbErrors.h"
#include "db/OdbcDatabase.h"
#include "db/PostgresDatabase.h"
#include "db/SqlTrace.h"
#include "db/SqliteDatabase.h"
#include "db/TsqlAdapter.h"

#include "db/DatabaseWorker.h"
#include "db/StatementHelpers.h"
#include "db/StatementTimeout.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>

#include <sqlite3.h>
#include <sys/socket.h>

#include <atomic>
#include <mutex>

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

AppError busyError() {
    return DbError::make(DbError::StatementFailed, QStringLiteral("数据库正忙于上一条语句，请稍候再试。"),
                         ConnectionSource);
}

// The checks every statement text passes before it is sent; false with `failure` filled.
bool acceptable(const QString& sql, AppError* failure) {
    if (sql.contains(QChar(0))) {
        // The engines end a statement at a NUL: the text after it would be lost or misread.
        *failure =
            DbError::make(DbError::StatementFailed,
                          QStringLiteral("输入的内容中含有空字符（NUL），无法保存。请删除该字符后重新输入。"),
                          ConnectionSource);
        return false;
    }
    if (const qsizetype at = loneSurrogateAt(sql); at >= 0) {
        // Half of a character: the engines would store "?" in its place.
        *failure = DbError::make(
            DbError::StatementFailed,
            QStringLiteral("输入的内容中含有不完整的字符（U+%1），无法保存。请删除该字符后重新输入。")
                .arg(sql.at(at).unicode(), 4, 16, QLatin1Char('0'))
                .toUpper(),
            ConnectionSource);
        return false;
    }
    return true;
}

} // namespace

// The engines of one session, used only on the connection's thread. A session that gave no
// answer is given up whole and a fresh one takes its place.
struct EngineSession {
    Connection::Engine engine = Connection::Engine::None;
    SqliteDatabase sqlite;
    std::unique_ptr<OdbcDatabase> odbc;
    std::unique_ptr<PostgresDatabase> postgres;
    // What another thread may touch to cut a statement short.
    std::atomic<sqlite3*> sqliteHandle{nullptr};
    std::atomic<int> postgresSocket{-1};
    std::atomic<qint64> postgresBackend{0};
    // The last text adapted and its statements: the pending list's timer sends the same text
    // every few seconds all day.
    QString adaptedSql;
    TsqlAdapter::Dialect adaptedDialect = TsqlAdapter::Dialect::SQLite;
    QVector<AdaptedStatement> adapted;

    bool open(const ConnectionString& cs, int timeoutMs, AppError* failure) {
        close();
        switch (cs.kind()) {
        case ConnectionString::Kind::Empty:
            *failure = DbError::make(DbError::BrokenLink, QStringLiteral("未设置数据库连接字符串。"),
                                     ConnectionSource);
            break;
        case ConnectionString::Kind::Unknown:
            *failure = DbError::make(
                DbError::NoProvider,
                QStringLiteral("找不到提供程序“%1”。连接字符串应以 Provider=sqloledb;、Provider=PostgreSQL;、"
                               "Provider=SQLite; 或 DSN= 开头。")
                    .arg(cs.provider()),
                ConnectionSource);
            break;
        case ConnectionString::Kind::SQLite:
            if (sqlite.open(cs.sqliteFile(), lockWaitMs(cs, timeoutMs), failure)) {
                engine = Connection::Engine::SQLite;
                sqliteHandle = sqlite.handle();
            }
            break;
        case ConnectionString::Kind::SqlServer:
            odbc = std::make_unique<OdbcDatabase>();
            odbc->setLockWaitMs(lockWaitMs(cs, timeoutMs));
            odbc->setStatementTimeoutMs(timeoutMs);
            if (odbc->open(cs.odbcConnectionText(), failure))
                engine = Connection::Engine::SqlServer;
            else
                odbc.reset();
            break;
        case ConnectionString::Kind::Odbc:
            openDataSource(cs, timeoutMs, failure);
            break;
        case ConnectionString::Kind::PostgreSQL:
            postgres = std::make_unique<PostgresDatabase>();
            postgres->setTimeoutMs(timeoutMs, lockWaitMs(cs, timeoutMs));
            postgres->setSinks(&postgresSocket, &postgresBackend);
            if (postgres->open(cs, failure))
                engine = Connection::Engine::PostgreSQL;
            else
                postgres.reset();
            break;
        }
        return engine != Connection::Engine::None;
    }

    // A data source of odbc.ini: the link is opened once, and the product its driver reports
    // decides who speaks to it.
    void openDataSource(const ConnectionString& cs, int timeoutMs, AppError* failure) {
        auto link = std::make_unique<OdbcDatabase>();
        link->setLockWaitMs(lockWaitMs(cs, timeoutMs));
        link->setStatementTimeoutMs(timeoutMs);
        if (!link->open(cs.dsnConnectionText(), failure))
            return;
        const QString product = link->dbmsName();
        switch (Connection::engineForDbms(product)) {
        case Connection::Engine::SqlServer:
            odbc = std::move(link);
            engine = Connection::Engine::SqlServer;
            return;
        case Connection::Engine::PostgreSQL:
            postgres = std::make_unique<PostgresDatabase>();
            postgres->setTimeoutMs(timeoutMs, lockWaitMs(cs, timeoutMs));
            postgres->setSinks(&postgresSocket, &postgresBackend);
            if (postgres->adoptOdbcLink(link->releaseLink(), lockWaitMs(cs, timeoutMs), failure))
                engine = Connection::Engine::PostgreSQL;
            else
                postgres.reset();
            return;
        case Connection::Engine::SQLite:
        case Connection::Engine::None:
            break;
        }
        *failure =
            DbError::make(DbError::NoProvider,
                          QStringLiteral("ODBC 数据源“%1”连接的数据库是“%2”，本程序只能连接 Microsoft SQL "
                                         "Server 或 PostgreSQL 数据库。")
                              .arg(cs.value(QStringLiteral("dsn")), product),
                          ConnectionSource);
    }

    // The connection string's own lock wait, but never longer than the program's timeout.
    static int lockWaitMs(const ConnectionString& cs, int timeoutMs) {
        if (cs.value(QStringLiteral("busy timeout")).trimmed().isEmpty())
            return timeoutMs;
        return qMin(cs.busyTimeoutMs(), timeoutMs);
    }

    bool isOpen() const {
        switch (engine) {
        case Connection::Engine::SQLite:
            return sqlite.isOpen();
        case Connection::Engine::SqlServer:
            return odbc && odbc->isOpen();
        case Connection::Engine::PostgreSQL:
            return postgres && postgres->isOpen();
        case Connection::Engine::None:
            break;
        }
        return false;
    }

    bool inTransaction() const {
        if (engine == Connection::Engine::SQLite)
            return sqlite.inTransaction();
        if (engine == Connection::Engine::SqlServer)
            return odbc->inTransaction();
        if (engine == Connection::Engine::PostgreSQL)
            return postgres->inTransaction();
        return false;
    }

    void close() {
        // An open transaction is rolled back by closing, as on the server.
        sqliteHandle = nullptr;
        postgresSocket = -1;
        sqlite.close();
        odbc.reset();
        postgres.reset();
        engine = Connection::Engine::None;
    }

    // Called from the waiting thread when a statement has had no answer in time: the engine's
    // own wait ends. A server that does not answer has its link cut; the statement then fails
    // as on a broken link.
    void interrupt() {
        if (sqlite3* db = sqliteHandle.load())
            sqlite3_interrupt(db);
        const int socket = postgresSocket.load();
        if (socket >= 0)
            ::shutdown(socket, SHUT_RDWR);
    }

    RecordsetPtr run(const QString& sql, AppError* error) {
        if (engine == Connection::Engine::SqlServer)
            return odbc->execute(sql, error);
        const bool onPostgres = engine == Connection::Engine::PostgreSQL;
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

    // One transaction step on the engine in use (0 begin, 1 commit, 2 roll back); a closed
    // connection fails with 3704.
    bool transactionStep(int step, AppError* failure) {
        if (step == 0)
            return transactionStep(failure, &SqliteDatabase::begin, &OdbcDatabase::begin,
                                   &PostgresDatabase::begin);
        if (step == 1)
            return transactionStep(failure, &SqliteDatabase::commit, &OdbcDatabase::commit,
                                   &PostgresDatabase::commit);
        return transactionStep(failure, &SqliteDatabase::rollback, &OdbcDatabase::rollback,
                               &PostgresDatabase::rollback);
    }

    template <typename SqliteStep, typename OdbcStep, typename PostgresStep>
    bool transactionStep(AppError* failure, SqliteStep onSqlite, OdbcStep onOdbc, PostgresStep onPostgres) {
        if (engine == Connection::Engine::SQLite)
            return (sqlite.*onSqlite)(failure);
        if (engine == Connection::Engine::SqlServer)
            return ((*odbc).*onOdbc)(failure);
        if (engine == Connection::Engine::PostgreSQL)
            return ((*postgres).*onPostgres)(failure);
        *failure = closedError();
        return false;
    }
};

namespace {

// The steps of one runTogether as its job on the connection's thread sees them: what they send
// through their connection runs on the job's session at once.
struct TogetherSteps {
    const Connection* owner = nullptr;
    EngineSession* session = nullptr;
    std::shared_ptr<std::atomic<bool>> cut = std::make_shared<std::atomic<bool>>(false);
    // Set once the caller has gone on without an answer: what the steps still send fails at once.
    std::atomic<bool> givenUp{false};
    AppError noAnswer;
    // The failure that broke the link, for the caller's lost-link road afterwards.
    AppError lost;
    bool linkLost = false;

    bool refused(AppError* failure) const {
        if (!givenUp)
            return false;
        *failure = noAnswer;
        return true;
    }

    void failed(AppError* failure) {
        if (*cut)
            failure->description = noAnswer.description;
        if (failure->number == DbError::BrokenLink || *cut) {
            linkLost = true;
            lost = *failure;
        }
    }

    RecordsetPtr execute(const QString& sql, AppError* failure) {
        if (refused(failure) || !acceptable(sql, failure))
            return nullptr;
        if (!session->isOpen()) {
            *failure = closedError();
            return nullptr;
        }
        RecordsetPtr rows = session->run(sql, failure);
        if (!rows)
            failed(failure);
        return rows;
    }

    bool transactionStep(int step, AppError* failure) {
        if (refused(failure))
            return false;
        if (session->transactionStep(step, failure))
            return true;
        failed(failure);
        return false;
    }
};

// The steps of the runTogether whose job this thread runs, if any.
thread_local TogetherSteps* t_together = nullptr;

// The steps of `connection` when called from inside them: its other calls go as usual.
TogetherSteps* togetherSteps(const Connection* connection) {
    return t_together && t_together->owner == connection ? t_together : nullptr;
}

EngineSession* togetherSession(const Connection* connection) {
    TogetherSteps* steps = togetherSteps(connection);
    return steps ? steps->session : nullptr;
}

} // namespace

namespace {
void endWithApplication();
} // namespace

struct Connection::Private {
    QString connectionString;
    int timeoutMs = StatementTimeout::DefaultSeconds * 1000;
    // How long a session that names several servers may wait for one that takes writes.
    int failoverMs = 0;
    // Server processes of PostgreSQL sessions given up without an answer, for the next session
    // to end.
    QList<qint64> givenUpBackends;
    std::shared_ptr<EngineSession> session = std::make_shared<EngineSession>();
    // Null without an application object (a plain tool): then statements run on the caller's thread.
    std::shared_ptr<DatabaseWorker> worker;
    // The session's state as the last job left it, read without asking its thread.
    Engine engine = Engine::None;
    bool open = false;
    bool inTransaction = false;

    // Calls waiting for their answer: a window's events go on meanwhile, and what they start
    // must not slip its statements in between (into another's transaction, say).
    int waiting = 0;

    // The statement's answer may come a moment after the server's own timeout has ended it.
    // A session that lost its link may first wait for a standby's promotion.
    int deadlineMs() const { return timeoutMs + 1000 + failoverMs; }

    AppError noAnswer() const {
        return DbError::make(DbError::BrokenLink,
                             QStringLiteral("数据库在 %1 秒内没有应答，已放弃这条语句并断开连接。")
                                 .arg(QString::number(timeoutMs / 1000.0)),
                             ConnectionSource);
    }

    // Runs `job` on the session's thread. False when it gave no answer in time; `interrupted`
    // tells whether it was cut short. A session that never answered is given up: it is closed
    // on its own thread whenever the job returns, and a fresh, closed one takes its place.
    bool call(const std::function<void(EngineSession&)>& job, bool* interrupted = nullptr,
              std::shared_ptr<std::atomic<bool>> cut = {}) {
        const std::shared_ptr<EngineSession> s = session;
        // Once the application object is gone nothing posted reaches the thread: it ends, and
        // the rest (closing at the very end) runs here.
        if (worker && !QCoreApplication::instance())
            worker.reset();
        if (!worker && QCoreApplication::instance()) {
            worker = std::make_shared<DatabaseWorker>();
            endWithApplication();
        }
        if (!worker) {
            job(*s);
            note(*s);
            return true;
        }
        struct State {
            Engine engine = Engine::None;
            bool open = false;
            bool inTransaction = false;
        };
        auto state = std::make_shared<State>();
        if (!cut)
            cut = std::make_shared<std::atomic<bool>>(false);
        const std::shared_ptr<DatabaseWorker> w = worker; // a call made meanwhile may replace it
        ++waiting;
        const bool answered = w->run(
            [s, job, state] {
                job(*s);
                state->engine = s->engine;
                state->open = s->isOpen();
                state->inTransaction = s->inTransaction();
            },
            deadlineMs(),
            [s, cut] {
                *cut = true;
                s->interrupt();
            });
        --waiting;
        if (interrupted)
            *interrupted = *cut;
        if (!answered) {
            // A call made while another waited may find the session given up already.
            if (session == s) {
                if (const qint64 backend = s->postgresBackend.load())
                    givenUpBackends << backend;
                DatabaseWorker::abandon(w, [s] { s->close(); });
                worker.reset();
                session = std::make_shared<EngineSession>();
                engine = Engine::None;
                open = false;
                inTransaction = false;
            }
            return false;
        }
        if (session != s)
            return true;
        if (state->engine != engine)
            // The embedded engine works on the connection's thread itself: it watches longer
            // for the next statement.
            w->setNextJobWatch(std::chrono::microseconds(state->engine == Engine::SQLite
                                                             ? DatabaseWorker::LongWatchUs
                                                             : DatabaseWorker::ShortWatchUs));
        engine = state->engine;
        open = state->open;
        inTransaction = state->inTransaction;
        return true;
    }

    void note(const EngineSession& s) {
        engine = s.engine;
        open = s.isOpen();
        inTransaction = s.inTransaction();
    }
};

namespace {

// Connections alive, so that their sessions close and their threads end with the application
// object: a server's client library tidies up its threads' state in its own exit handler, and a
// thread still running after it leaves that state behind.
std::mutex g_liveMutex;
QSet<Connection*> g_live;
bool g_endsWithApplication = false;

void endThreadsWithApplication() {
    QSet<Connection*> live;
    {
        const std::lock_guard lock(g_liveMutex);
        live = g_live;
        g_endsWithApplication = false;
    }
    for (Connection* connection : std::as_const(live))
        connection->endThread();
}

void endWithApplication() {
    const std::lock_guard lock(g_liveMutex);
    if (g_endsWithApplication || !QCoreApplication::instance())
        return;
    g_endsWithApplication = true;
    qAddPostRoutine(&endThreadsWithApplication);
}

} // namespace

Connection::Connection() : d(std::make_unique<Private>()) {
    const std::lock_guard lock(g_liveMutex);
    g_live.insert(this);
}

Connection::~Connection() {
    {
        const std::lock_guard lock(g_liveMutex);
        g_live.remove(this);
    }
    endThread();
}

void Connection::endThread() {
    close();
    // The thread ends first; what the closed engines leave (a stopped timer) goes with them here.
    d->worker.reset();
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
    if (d->waiting > 0 || togetherSteps(this)) {
        fill(error, busyError());
        return false;
    }
    d->timeoutMs = StatementTimeout::milliseconds();
    const ConnectionString cs = ConnectionString::parse(d->connectionString);
    d->failoverMs = cs.postgresFailover() ? cs.failoverTimeoutMs() : 0;
    auto failure = std::make_shared<AppError>();
    auto opened = std::make_shared<bool>(false);
    const int timeoutMs = d->timeoutMs;
    if (!d->call([cs, timeoutMs, failure, opened](EngineSession& s) {
            *opened = s.open(cs, timeoutMs, failure.get());
        }))
        *failure = d->noAnswer();
    if (!*opened) {
        fill(error, *failure);
        return false;
    }
    if (!d->givenUpBackends.isEmpty()) {
        const QList<qint64> backends = std::exchange(d->givenUpBackends, {});
        (void)d->call([backends](EngineSession& s) {
            if (s.postgres)
                s.postgres->endSessions(backends);
        });
    }
    return true;
}

bool Connection::isOpen() const {
    if (const EngineSession* s = togetherSession(this))
        return s->isOpen();
    return d->open;
}

void Connection::close() {
    if (EngineSession* s = togetherSession(this)) {
        s->close(); // its caller notes the closed session when the steps are done
        return;
    }
    if (d->engine == Engine::None)
        return;
    if (!d->call([](EngineSession& s) { s.close(); })) {
        d->engine = Engine::None;
        d->open = false;
    }
}

Connection::Engine Connection::engine() const {
    if (const EngineSession* s = togetherSession(this))
        return s->engine;
    return d->engine;
}

int Connection::timeoutMs() const {
    return d->timeoutMs;
}

bool Connection::lostLink(const AppError& failure, bool interrupted) {
    if (this != gConn) {
        // A connection of its own (a tool's, a test's) is dropped only when it did not answer.
        if (interrupted)
            close();
        return interrupted;
    }
    if (failure.number != DbError::BrokenLink && !interrupted)
        return false;
    // A link that broke or a server that does not answer: this session is done with. On the
    // program's connection the reopen comes from the event loop, not from the routine that
    // ran the statement.
    close();
    ReportLostLink();
    return true;
}

Connection::Engine Connection::engineForDbms(const QString& dbmsName) {
    const QString name = dbmsName.trimmed();
    if (name.compare(QStringLiteral("Microsoft SQL Server"), Qt::CaseInsensitive) == 0)
        return Engine::SqlServer;
    if (name.compare(QStringLiteral("PostgreSQL"), Qt::CaseInsensitive) == 0)
        return Engine::PostgreSQL;
    return Engine::None;
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
    if (TogetherSteps* t = togetherSteps(this))
        rows = t->execute(sql, &failure);
    else if (!isOpen())
        failure = closedError();
    else if (d->waiting > 0)
        failure = busyError();
    else if (acceptable(sql, &failure))
        rows = runJob([sql](EngineSession& s, AppError* e) { return s.run(sql, e); }, &failure);
    if (tracing)
        SqlTrace::record(sql, started, timer.elapsed());
    if (!rows)
        fill(error, failure);
    return rows;
}

RecordsetPtr Connection::runJob(const std::function<RecordsetPtr(EngineSession&, AppError*)>& job,
                                AppError* failure) {
    auto answer = std::make_shared<std::pair<RecordsetPtr, AppError>>();
    bool interrupted = false;
    if (!d->call([job, answer](EngineSession& s) { answer->first = job(s, &answer->second); },
                 &interrupted)) {
        *failure = d->noAnswer();
        lostLink(*failure, true);
        return nullptr;
    }
    if (answer->first)
        return answer->first;
    *failure = answer->second;
    if (interrupted)
        failure->description = d->noAnswer().description;
    // Only a server that did not answer is cut off; the embedded engine's lock wait just ends.
    lostLink(*failure, interrupted && d->engine != Engine::SQLite);
    return nullptr;
}

bool Connection::transactionStep(int step, AppError* error) {
    AppError failure;
    if (TogetherSteps* t = togetherSteps(this)) {
        if (t->transactionStep(step, &failure))
            return true;
        fill(error, failure);
        return false;
    }
    if (d->waiting > 0) {
        fill(error, busyError());
        return false;
    }
    auto answer = std::make_shared<std::pair<bool, AppError>>(false, AppError());
    bool interrupted = false;
    if (!d->call(
            [step, answer](EngineSession& s) { answer->first = s.transactionStep(step, &answer->second); },
            &interrupted)) {
        failure = d->noAnswer();
        lostLink(failure, true);
        fill(error, failure);
        return false;
    }
    if (answer->first)
        return true;
    failure = answer->second;
    if (interrupted)
        failure.description = d->noAnswer().description;
    lostLink(failure, interrupted && d->engine != Engine::SQLite);
    fill(error, failure);
    return false;
}

bool Connection::runTogether(std::function<void()> steps, AppError* error) {
    if (togetherSteps(this)) {
        steps(); // already on the session's thread
        return true;
    }
    if (!isOpen()) {
        fill(error, closedError());
        return false;
    }
    if (d->waiting > 0) {
        fill(error, busyError());
        return false;
    }
    auto t = std::make_shared<TogetherSteps>();
    t->owner = this;
    t->noAnswer = d->noAnswer();
    bool interrupted = false;
    const bool answered = d->call(
        [t, steps = std::move(steps)](EngineSession& s) {
            t->session = &s;
            t_together = t.get();
            steps();
            t_together = nullptr;
        },
        &interrupted, t->cut);
    if (!answered) {
        t->givenUp = true;
        const AppError failure = d->noAnswer();
        lostLink(failure, true);
        fill(error, failure);
        return false;
    }
    if (t->linkLost || interrupted)
        lostLink(t->lost, interrupted && d->engine != Engine::SQLite);
    return true;
}

bool Connection::beginTrans(AppError* error) {
    return transactionStep(0, error);
}

bool Connection::commitTrans(AppError* error) {
    return transactionStep(1, error);
}

bool Connection::rollbackTrans(AppError* error) {
    return transactionStep(2, error);
}

bool Connection::inTransaction() const {
    if (const EngineSession* s = togetherSession(this))
        return s->inTransaction();
    return d->inTransaction;
}

Connection* gConn = nullptr;

Connection& resetGlobalConnection(const QString& connectionString) {
    static std::unique_ptr<Connection> owner;
    // A server connection is closed while Qt's driver registry still exists: it goes before
    // the static objects of the run.
    owner = std::make_unique<Connection>();
    owner->setConnectionString(connectionString);
    gConn = owner.get();
    return *owner;
}
