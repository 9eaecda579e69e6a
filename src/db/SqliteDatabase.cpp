#include "db/SqliteDatabase.h"

#include "common/core/Clock.h"
#include "db/DbErrors.h"
#include "db/SqlTokenizer.h"

#include <QAbstractEventDispatcher>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStringDecoder>
#include <QTimer>

#include <sqlite3.h>

#include <cstring>
#include <sys/stat.h>

#include <optional>

const QString SqliteDatabase::Source = QStringLiteral("yjgl SQLite");

namespace {

constexpr int MaxCachedStatements = 200;

FileIdentity identityOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {quint64(st.st_dev), quint64(st.st_ino), true};
}

QString walPath(const QString& file) {
    return file + QStringLiteral("-wal");
}

QString shmPath(const QString& file) {
    return file + QStringLiteral("-shm");
}

// The write-ahead log a connection used, remembered after its file was moved away or replaced:
// that log holds changes of the old file and must never be read into whatever file comes to
// lie at the path later.
struct StaleLog {
    FileIdentity database;
    FileIdentity log;
};

QMutex g_staleMutex;
QHash<QString, StaleLog> g_staleLogs; // database path -> the log its old file left

void rememberStaleLog(const QString& file, const FileIdentity& database, const FileIdentity& log) {
    if (!log.valid)
        return;
    QMutexLocker lock(&g_staleMutex);
    g_staleLogs.insert(file, {database, log});
}

// Moves the old file's log out of the way of the file now at the path (kept beside it, as it is
// the only copy of the old file's last changes) and drops the old index. Nothing is touched when
// the path holds the old file again or the log there is not the remembered one.
void setStaleLogAside(const QString& file) {
    QMutexLocker lock(&g_staleMutex);
    const auto it = g_staleLogs.constFind(file);
    if (it == g_staleLogs.cend())
        return;
    const FileIdentity now = identityOf(file);
    if (!now.valid)
        return; // nothing at the path yet: decide when a file comes
    const StaleLog stale = it.value();
    g_staleLogs.erase(it);
    if (now == stale.database || identityOf(walPath(file)) != stale.log)
        return;
    const QString aside = walPath(file) + QStringLiteral(".replaced-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmsszzz"));
    QFile::rename(walPath(file), aside);
    QFile::remove(shmPath(file));
}

void getdateFunction(sqlite3_context* context, int, sqlite3_value**) {
    // The program's clock (which tests may fix) without the offset it keeps to the server:
    // here the server is this machine.
    const qint64 offset = Clock::serverOffsetMs();
    const QByteArray text =
        Clock::secondsText(offset == 0 ? Clock::now() : Clock::now().addMSecs(-offset)).toLatin1();
    sqlite3_result_text(context, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

void raiseFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    const unsigned char* text = argc > 0 ? sqlite3_value_text(argv[0]) : nullptr;
    sqlite3_result_error(context, text ? reinterpret_cast<const char*>(text) : "yj_raise", -1);
}

// One value of the current row. The column's value object is read directly: the connection
// belongs to one thread (it is opened without a mutex), and each sqlite3_column_* call would
// look the column up again.
void addColumnValue(PackedRows& rows, sqlite3_stmt* statement, int column) {
    sqlite3_value* value = sqlite3_column_value(statement, column);
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        rows.addInteger(sqlite3_value_int64(value));
        break;
    case SQLITE_FLOAT:
        rows.addFloat(sqlite3_value_double(value));
        break;
    case SQLITE_TEXT: {
        const char* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        rows.add(PackedRows::Text, text, sqlite3_value_bytes(value));
        break;
    }
    case SQLITE_BLOB: {
        const char* blob = static_cast<const char*>(sqlite3_value_blob(value));
        rows.add(PackedRows::Blob, blob, sqlite3_value_bytes(value));
        break;
    }
    default:
        rows.addNull();
    }
}

bool bindValue(sqlite3_stmt* statement, int index, const QVariant& value) {
    if (Recordset::isNullValue(value))
        return sqlite3_bind_null(statement, index) == SQLITE_OK;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        return sqlite3_bind_int64(statement, index, value.toLongLong()) == SQLITE_OK;
    case QMetaType::Double:
        return sqlite3_bind_double(statement, index, value.toDouble()) == SQLITE_OK;
    default: {
        const QByteArray text = value.toString().toUtf8();
        return sqlite3_bind_text(statement, index, text.constData(), int(text.size()), SQLITE_TRANSIENT) ==
               SQLITE_OK;
    }
    }
}

// A body statement that only guards ("SELECT yj_raise('..') WHERE ..") gives no result rows.
bool isGuard(const QString& statement) {
    QString head = statement.left(48);
    head.remove(QLatin1Char(' '))
        .remove(QLatin1Char('\t'))
        .remove(QLatin1Char('\r'))
        .remove(QLatin1Char('\n'));
    return head.startsWith(QStringLiteral("selectyj_raise("), Qt::CaseInsensitive);
}

} // namespace

SqliteDatabase::SqliteDatabase() = default;

SqliteDatabase::~SqliteDatabase() {
    close();
}

void SqliteDatabase::noteWrite() {
    if (!m_idleCheckpoint) {
        if (!QAbstractEventDispatcher::instance())
            return;
        m_idleCheckpoint = std::make_unique<QTimer>();
        m_idleCheckpoint->setSingleShot(true);
        m_idleCheckpoint->setInterval(IdleCheckpointMs);
        QObject::connect(m_idleCheckpoint.get(), &QTimer::timeout, [this] { checkpointIdleLog(); });
    }
    m_idleCheckpoint->start();
}

// The log grows with every write until a checkpoint empties it, and a log left beside the file
// is read into whatever file is put at the path next. Once the workstations are quiet, its
// pages go into the file and it is cut to nothing.
void SqliteDatabase::checkpointIdleLog() {
    if (!m_db || identityOf(m_file) != m_identity)
        return; // another file lies there now: its log is not ours to touch
    if (inTransaction()) {
        m_idleCheckpoint->start();
        return;
    }
    // A workstation writing at this moment is not kept waiting; we try again later.
    sqlite3_busy_timeout(m_db, 200);
    const int rc = sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    sqlite3_busy_timeout(m_db, m_busyTimeoutMs);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        m_idleCheckpoint->start();
}

bool SqliteDatabase::open(const QString& file, int busyTimeoutMs, AppError* error) {
    close();
    if (file.trimmed().isEmpty()) {
        *error = DbError::make(DbError::BrokenLink,
                               QStringLiteral("连接字符串没有指定数据库文件（Data Source）。"), Source);
        return false;
    }
    const QFileInfo info(file);
    if (!info.exists() || !info.isFile()) {
        *error = DbError::make(
            DbError::BrokenLink,
            QStringLiteral("数据库文件“%1”不存在或无法访问。").arg(QDir::toNativeSeparators(file)), Source);
        return false;
    }
    // SQLite would take an empty file for a new database and write its header: an empty file
    // (a copy that failed, a disk that filled up) is reported and left as it is.
    if (info.size() == 0) {
        *error = DbError::make(
            DbError::BrokenLink,
            QStringLiteral("数据库文件“%1”是空文件，不是医院数据库。").arg(QDir::toNativeSeparators(file)),
            Source);
        return false;
    }
    // A log left by a file that used to lie here is not this file's.
    setStaleLogAside(file);
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        if (db)
            rc = sqlite3_extended_errcode(db);
        sqlite3_close(db);
        *error = DbError::make(
            DbError::BrokenLink,
            QStringLiteral("无法打开数据库文件“%1”：%2").arg(QDir::toNativeSeparators(file), message),
            Source);
        error->nativeCode = QString::number(rc);
        return false;
    }
    m_db = db;
    m_file = file;
    m_busyTimeoutMs = busyTimeoutMs;
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    // Reading the journal mode reads the file header: a file that is no database fails here,
    // before anything is written.
    AppError setupError;
    // The first read opens the log, whose identity is taken below.
    if (!execPlain("PRAGMA journal_mode=WAL", &setupError) ||
        !execPlain("PRAGMA foreign_keys=ON", &setupError) ||
        !execPlain("SELECT count(*) FROM sqlite_master WHERE 0", &setupError)) {
        close();
        setupError.description = QStringLiteral("无法打开数据库文件“%1”：%2")
                                     .arg(QDir::toNativeSeparators(file), setupError.description);
        *error = setupError;
        return false;
    }
    sqlite3_create_function_v2(m_db, "getdate", 0, SQLITE_UTF8, nullptr, getdateFunction, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(m_db, "yj_raise", 1, SQLITE_UTF8, nullptr, raiseFunction, nullptr, nullptr,
                               nullptr);
    m_identity = identityOf(file);
    m_logIdentity = identityOf(walPath(file));
    return true;
}

void SqliteDatabase::close() {
    if (m_idleCheckpoint)
        m_idleCheckpoint->stop();
    clearCache();
    if (m_db) {
        // Closing normally checkpoints and deletes the log and index found at the path. Once the
        // file there is another one (or none), those belong to whatever comes there: leave them.
        if (identityOf(m_file) != m_identity) {
            sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
            rememberStaleLog(m_file, m_identity, m_logIdentity);
        }
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        setStaleLogAside(m_file);
    }
    m_file.clear();
    m_identity = m_logIdentity = {};
}

void SqliteDatabase::clearCache() {
    for (sqlite3_stmt* statement : std::as_const(m_cache))
        sqlite3_finalize(statement);
    m_cache.clear();
    m_bodies.clear();
    m_sizeHints.clear();
}

AppError SqliteDatabase::engineError(int code, const QString& message) const {
    AppError error = classify(code, message);
    error.nativeCode = QString::number(code);
    return error;
}

AppError SqliteDatabase::classify(int code, const QString& message) const {
    switch (code & 0xff) {
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return DbError::make(DbError::BrokenLink, message, Source);
    case SQLITE_READONLY:
        if (code == SQLITE_READONLY_DBMOVED)
            return DbError::make(DbError::BrokenLink, message, Source);
        break;
    case SQLITE_FULL:
        // Nothing of the statement was kept and the connection stays usable: once space is free
        // the same work succeeds.
        return DbError::make(
            DbError::StatementFailed,
            QStringLiteral("数据库所在的磁盘已满，这次的数据没有保存（%1）。请清理磁盘空间后重试。")
                .arg(message),
            Source);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DbError::make(DbError::LockTimeout,
                             QStringLiteral("数据库正被其他工作站锁定，等待超时（%1）。").arg(message),
                             Source);
    default:
        break;
    }
    return DbError::make(DbError::StatementFailed, message, Source);
}

// The file may have been moved, deleted or replaced while this connection held it open;
// the connection would go on with the old file and lose what it writes.
bool SqliteDatabase::filePresent(AppError* error) const {
    const FileIdentity now = identityOf(m_file);
    if (now == m_identity)
        return true;
    // Other programs starting meanwhile must not find the old file's log beside the new file.
    rememberStaleLog(m_file, m_identity, m_logIdentity);
    if (now.valid)
        setStaleLogAside(m_file);
    *error = DbError::make(DbError::BrokenLink,
                           QStringLiteral("与数据库的连接已中断：数据库文件“%1”已不存在或已被替换。")
                               .arg(QDir::toNativeSeparators(m_file)),
                           Source);
    return false;
}

bool SqliteDatabase::execPlain(const char* sql, AppError* error) {
    // A transaction's own statements (begin, savepoint, commit) come with every unit: prepared
    // once, as the others are. A batch of several, and a text that does not prepare, go as they are.
    if (!std::strchr(sql, ';')) {
        AppError prepareError;
        if (sqlite3_stmt* statement = prepare(QString::fromLatin1(sql), &prepareError)) {
            const int rc = sqlite3_step(statement);
            if (rc == SQLITE_DONE || rc == SQLITE_ROW) {
                sqlite3_reset(statement);
                return true;
            }
            const QString text = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_reset(statement);
            *error = engineError(rc, text);
            return false;
        }
    }
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
    if (rc == SQLITE_OK)
        return true;
    const QString text = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_free(message);
    *error = engineError(rc, text);
    return false;
}

sqlite3_stmt* SqliteDatabase::prepare(const QString& sql, AppError* error) {
    if (sqlite3_stmt* cached = m_cache.value(sql))
        return cached;
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT,
                                      &statement, &tail);
    if (rc != SQLITE_OK) {
        *error = engineError(rc, QString::fromUtf8(sqlite3_errmsg(m_db)));
        return nullptr;
    }
    if (!statement) // only blanks or comments
        return nullptr;
    if (tail && QByteArray(tail).trimmed().size() > 0) {
        sqlite3_finalize(statement);
        *error = DbError::make(
            DbError::StatementFailed,
            QStringLiteral("语句中含有无法分开的多条语句：%1").arg(QString::fromUtf8(tail)), Source);
        return nullptr;
    }
    if (m_cache.size() >= MaxCachedStatements) {
        for (sqlite3_stmt* old : std::as_const(m_cache))
            sqlite3_finalize(old);
        m_cache.clear();
        m_sizeHints.clear();
    }
    m_cache.insert(sql, statement);
    return statement;
}

bool SqliteDatabase::step(sqlite3_stmt* statement, bool keepRows, RecordsetPtr* rows, AppError* error) {
    const int columns = sqlite3_column_count(statement);
    PackedRows data;
    // A statement run again (the pending list every few seconds) gets room for what it gave
    // last time at once, instead of growing into it step by step.
    SizeHint& hint = m_sizeHints[statement];
    data.cells.reserve(hint.cells);
    data.bytes.reserve(hint.bytes);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        if (!keepRows || columns == 0)
            continue;
        for (int c = 0; c < columns; ++c)
            addColumnValue(data, statement, c);
        ++data.rowCount;
    }
    hint = {std::min<size_t>(data.cells.size(), 1 << 21), std::min<size_t>(data.bytes.size(), 16 << 20)};
    if (rc != SQLITE_DONE) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
        const int code = sqlite3_extended_errcode(m_db);
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        *error = engineError(code, message);
        return false;
    }
    if (!sqlite3_stmt_readonly(statement))
        m_changes += sqlite3_changes64(m_db);
    if (keepRows && columns > 0) {
        QStringList names;
        names.reserve(columns);
        for (int c = 0; c < columns; ++c)
            names.append(QString::fromUtf8(sqlite3_column_name(statement, c)));
        *rows = std::make_shared<Recordset>(names, std::move(data));
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return true;
}

bool SqliteDatabase::bind(sqlite3_stmt* statement, int index, const QVariant& value, AppError* error) {
    if (bindValue(statement, index, value))
        return true;
    // A value that could not be bound would run the statement with NULL in its place.
    const int code = sqlite3_extended_errcode(m_db);
    const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    *error = engineError(code, QStringLiteral("无法绑定第 %1 个参数：%2").arg(index).arg(message));
    return false;
}

sqlite3_stmt* SqliteDatabase::prepareWithValues(const AdaptedStatement& s, QVariantList* values,
                                                AppError* error) {
    // The adaptation has found the parameters of a statement it knew; others are looked for here.
    *values = s.values;
    const QString parameterized =
        s.parametersKnown ? s.parameterized : TsqlAdapter::parameterize(s.sql, values);
    if (!parameterized.isEmpty()) {
        AppError shapeError;
        if (sqlite3_stmt* statement = prepare(parameterized, &shapeError))
            return statement;
    }
    // Whatever the parameterized text cannot be, the text as written is (and fails as written).
    values->clear();
    return prepare(s.sql, error);
}

bool SqliteDatabase::runSql(const AdaptedStatement& s, RecordsetPtr* rows, AppError* error) {
    AppError prepareError;
    QVariantList values;
    sqlite3_stmt* statement = prepareWithValues(s, &values, &prepareError);
    if (!statement) {
        if (prepareError.isSet()) {
            *error = prepareError;
            return false;
        }
        return true;
    }
    for (int i = 0; i < values.size(); ++i)
        if (!bind(statement, i + 1, values.at(i), error))
            return false;
    return step(statement, true, rows, error);
}

bool SqliteDatabase::findProcedure(const AdaptedStatement& call, Procedure* out, AppError* error) {
    AppError lookupError;
    sqlite3_stmt* lookup =
        prepare(QStringLiteral("SELECT params, body FROM sys_procedures WHERE name = ?1"), &lookupError);
    const auto notFound = [&] {
        *error = DbError::make(DbError::StatementFailed,
                               QStringLiteral("找不到存储过程 '%1'。").arg(call.procedure), Source);
        return false;
    };
    if (!lookup)
        return notFound();
    if (!bind(lookup, 1, call.procedure, error))
        return false;
    RecordsetPtr definition;
    if (!step(lookup, true, &definition, error))
        return false;
    if (!definition || definition->RecordCount() == 0)
        return notFound();
    out->params = definition->text(0).split(QLatin1Char(','));
    for (QString& p : out->params)
        p = p.trimmed();
    out->params.removeAll(QString());
    if (call.arguments.size() > out->params.size()) {
        *error =
            DbError::make(DbError::StatementFailed,
                          QStringLiteral("过程或函数 '%1' 指定了过多的参数。").arg(call.procedure), Source);
        return false;
    }
    // Binding NULL for a missing argument would run the procedure on nothing, as if it worked.
    if (call.arguments.size() < out->params.size()) {
        *error = DbError::make(DbError::StatementFailed,
                               QStringLiteral("过程或函数 '%1' 需要参数 '%2'，但未提供该参数。")
                                   .arg(call.procedure, out->params.at(call.arguments.size())),
                               Source);
        return false;
    }
    const QString body = definition->text(1);
    auto bodyIt = m_bodies.find(body);
    if (bodyIt == m_bodies.end())
        bodyIt = m_bodies.insert(body, SqlTokenizer::splitOnSemicolons(body));
    out->statements = bodyIt.value();
    return true;
}

bool SqliteDatabase::runProcedure(const AdaptedStatement& call, const Procedure* found, RecordsetPtr* rows,
                                  AppError* error) {
    Procedure looked;
    if (!found) {
        if (!findProcedure(call, &looked, error))
            return false;
        found = &looked;
    }
    const QStringList& params = found->params;
    for (const QString& text : found->statements) {
        AppError prepareError;
        sqlite3_stmt* statement = prepare(text, &prepareError);
        if (!statement) {
            if (prepareError.isSet()) {
                *error = prepareError;
                return false;
            }
            continue;
        }
        const int count = sqlite3_bind_parameter_count(statement);
        for (int i = 1; i <= count; ++i) {
            const char* rawName = sqlite3_bind_parameter_name(statement, i);
            const QString name = rawName ? QString::fromUtf8(rawName) : QString();
            int position = -1;
            for (int p = 0; p < params.size(); ++p)
                if (params.at(p).compare(name, Qt::CaseInsensitive) == 0)
                    position = p;
            if (!bind(statement, i, position >= 0 ? call.arguments.value(position) : QVariant(), error))
                return false;
        }
        RecordsetPtr result;
        if (!step(statement, !isGuard(text), &result, error))
            return false;
        if (result)
            *rows = result;
    }
    return true;
}

bool SqliteDatabase::onlyReads(const QStringList& texts) {
    for (const QString& text : texts) {
        AppError prepareError;
        sqlite3_stmt* statement = prepare(text, &prepareError);
        if (prepareError.isSet() || (statement && !sqlite3_stmt_readonly(statement)))
            return false;
    }
    return true;
}

bool SqliteDatabase::onlyReads(const AdaptedStatement& s) {
    AppError prepareError;
    QVariantList values;
    sqlite3_stmt* statement = prepareWithValues(s, &values, &prepareError);
    return !prepareError.isSet() && (!statement || sqlite3_stmt_readonly(statement));
}

RecordsetPtr SqliteDatabase::execute(const QVector<AdaptedStatement>& statements, AppError* error) {
    // Inside a transaction the file was checked when it began and is checked again at its commit:
    // a file replaced in between fails the commit, so each statement need not look again.
    if (!inTransaction() && !filePresent(error))
        return nullptr;
    m_changes = 0;
    bool asUnit = statements.size() > 1;
    for (const AdaptedStatement& s : statements)
        asUnit = asUnit || s.kind == AdaptedStatement::Kind::Exec;
    // Outside a transaction the unit takes the write lock at once, so that two workstations
    // wait for each other instead of failing halfway; inside one a savepoint undoes the unit.
    const bool ownTransaction = asUnit && !inTransaction();
    // A unit that only reads (the pending list, refreshed every few seconds on every workstation)
    // takes no write lock, so it neither waits for a writer nor makes one wait. A procedure that
    // cannot be found here is left to report itself in its turn.
    QVector<std::optional<Procedure>> procedures;
    bool reads = ownTransaction;
    if (reads)
        procedures.resize(statements.size());
    for (qsizetype i = 0; reads && i < statements.size(); ++i) {
        const AdaptedStatement& s = statements.at(i);
        if (s.kind != AdaptedStatement::Kind::Exec) {
            reads = onlyReads(s);
            continue;
        }
        Procedure procedure;
        AppError ignored;
        if (!findProcedure(s, &procedure, &ignored)) {
            reads = false;
            break;
        }
        reads = onlyReads(procedure.statements);
        procedures[i] = std::move(procedure);
    }
    // One reading statement sees one state of the database by itself: no transaction needed.
    if (reads && statements.size() == 1 && procedures.at(0) && procedures.at(0)->statements.size() == 1)
        asUnit = false;
    const char* start = !ownTransaction ? "SAVEPOINT yjgl_unit" : reads ? "BEGIN" : "BEGIN IMMEDIATE";
    if (asUnit && !execPlain(start, error))
        return nullptr;

    RecordsetPtr rows;
    bool ok = true;
    for (qsizetype i = 0; i < statements.size(); ++i) {
        const AdaptedStatement& s = statements.at(i);
        ok = s.kind == AdaptedStatement::Kind::Exec
                 ? runProcedure(s, i < procedures.size() && procedures[i] ? &*procedures[i] : nullptr, &rows,
                                error)
                 : runSql(s, &rows, error);
        if (!ok)
            break;
    }
    if (asUnit) {
        AppError ignored;
        if (ok)
            ok = execPlain(ownTransaction ? "COMMIT" : "RELEASE yjgl_unit", error);
        if (!ok) {
            if (ownTransaction)
                execPlain("ROLLBACK", &ignored);
            else if (inTransaction())
                execPlain("ROLLBACK TO yjgl_unit; RELEASE yjgl_unit", &ignored);
        }
    }
    if (!ok)
        return nullptr;
    // A file replaced while the statement ran took what it wrote with it.
    if (!inTransaction() && !filePresent(error))
        return nullptr;
    if (!rows)
        rows = std::make_shared<Recordset>();
    rows->setRecordsAffected(int(m_changes));
    if (m_changes > 0 && !inTransaction())
        noteWrite();
    return rows;
}

bool SqliteDatabase::begin(AppError* error) {
    if (!filePresent(error))
        return false;
    if (inTransaction()) {
        *error = DbError::make(DbError::StatementFailed,
                               QStringLiteral("连接上已有一个事务，不能再开始新的事务。"), Source);
        return false;
    }
    return execPlain("BEGIN IMMEDIATE", error);
}

bool SqliteDatabase::commit(AppError* error) {
    if (!inTransaction()) {
        *error = DbError::make(DbError::StatementFailed, QStringLiteral("没有活动的事务可以提交。"), Source);
        return false;
    }
    if (!execPlain("COMMIT", error))
        return false;
    noteWrite();
    return filePresent(error);
}

bool SqliteDatabase::rollback(AppError* error) {
    if (!inTransaction()) {
        *error = DbError::make(DbError::StatementFailed, QStringLiteral("没有活动的事务可以回滚。"), Source);
        return false;
    }
    return execPlain("ROLLBACK", error);
}

bool SqliteDatabase::inTransaction() const {
    return m_db && !sqlite3_get_autocommit(m_db);
}
