// The demo database on a PostgreSQL server: the embedded one is built first (the same data
// for the same seed and day), then its rows go to the server by COPY between the server's
// tables and its indexes, in one transaction.
#include "db/ConnectionString.h"
#include "db/demo/DemoDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <memory>

namespace {

const QString Source = QStringLiteral("DemoDatabase");
const QString IndexMarker = QStringLiteral("-- @indexes");

struct PgConnCloser {
    void operator()(PGconn* c) const { PQfinish(c); }
};
using PgConn = std::unique_ptr<PGconn, PgConnCloser>;

struct PgResultCloser {
    void operator()(PGresult* r) const { PQclear(r); }
};
using PgResult = std::unique_ptr<PGresult, PgResultCloser>;

PgConn connectTo(const ConnectionString& cs, const QString& database, QString* message) {
    const QByteArray host = cs.postgresHost().toUtf8();
    const QByteArray port = QByteArray::number(cs.postgresPort());
    const QByteArray db = database.toUtf8();
    const QByteArray user = cs.value(QStringLiteral("user id")).toUtf8();
    const QByteArray password = cs.value(QStringLiteral("password")).toUtf8();
    const char* keys[] = {"host", "port", "dbname", "user", "password", "connect_timeout", "client_encoding",
                          nullptr};
    const char* values[] = {
        host.constData(), port.constData(), db.constData(), user.constData(), password.constData(), "15",
        "UTF8",           nullptr};
    PgConn conn(PQconnectdbParams(keys, values, 0));
    if (!conn || PQstatus(conn.get()) != CONNECTION_OK) {
        *message =
            conn ? QString::fromUtf8(PQerrorMessage(conn.get())).trimmed() : QStringLiteral("out of memory");
        return nullptr;
    }
    return conn;
}

class ServerLoad {
public:
    explicit ServerLoad(PGconn* conn) : m_conn(conn) {}

    bool exec(const QString& sql, const QString& what) {
        PgResult r(PQexec(m_conn, sql.toUtf8().constData()));
        const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
            return true;
        return fail(what);
    }
    // The first column of every row.
    bool column(const QString& sql, QStringList* out) {
        PgResult r(PQexec(m_conn, sql.toUtf8().constData()));
        if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK)
            return fail(sql.left(40));
        for (int i = 0; i < PQntuples(r.get()); ++i)
            out->append(QString::fromUtf8(PQgetvalue(r.get(), i, 0)));
        return true;
    }
    bool copyTable(sqlite3* source, const QString& table, const QStringList& serverColumns) {
        // The embedded table of the same name, and the columns both have.
        sqlite3_stmt* info = nullptr;
        const QByteArray pragma = QStringLiteral("PRAGMA table_info(\"%1\")").arg(table).toUtf8();
        if (sqlite3_prepare_v2(source, pragma.constData(), -1, &info, nullptr) != SQLITE_OK)
            return failText(QStringLiteral("读取嵌入式数据表 %1").arg(table));
        QStringList columns;
        while (sqlite3_step(info) == SQLITE_ROW) {
            const QString name =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(info, 1)));
            if (serverColumns.contains(name.toLower()))
                columns << name;
        }
        sqlite3_finalize(info);
        if (columns.isEmpty())
            return true;
        QStringList quoted;
        for (const QString& c : columns)
            quoted << QLatin1Char('"') + c + QLatin1Char('"');
        sqlite3_stmt* rows = nullptr;
        const QByteArray select =
            QStringLiteral("SELECT %1 FROM \"%2\"").arg(quoted.join(QLatin1Char(',')), table).toUtf8();
        if (sqlite3_prepare_v2(source, select.constData(), -1, &rows, nullptr) != SQLITE_OK)
            return failText(QStringLiteral("读取嵌入式数据表 %1").arg(table));
        QStringList lower;
        for (const QString& c : columns)
            lower << c.toLower();
        const QString copy = QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table.toLower(), lower.join(u','));
        PgResult start(PQexec(m_conn, copy.toUtf8().constData()));
        if (!start || PQresultStatus(start.get()) != PGRES_COPY_IN) {
            sqlite3_finalize(rows);
            return fail(copy);
        }
        QByteArray buffer;
        bool ok = true;
        while (ok && sqlite3_step(rows) == SQLITE_ROW) {
            for (int c = 0; c < int(columns.size()); ++c) {
                if (c > 0)
                    buffer += '\t';
                if (sqlite3_column_type(rows, c) == SQLITE_NULL) {
                    buffer += "\\N";
                    continue;
                }
                const char* text = reinterpret_cast<const char*>(sqlite3_column_text(rows, c));
                const int size = sqlite3_column_bytes(rows, c);
                for (int i = 0; i < size; ++i) {
                    switch (text[i]) {
                    case '\\':
                        buffer += "\\\\";
                        break;
                    case '\n':
                        buffer += "\\n";
                        break;
                    case '\r':
                        buffer += "\\r";
                        break;
                    case '\t':
                        buffer += "\\t";
                        break;
                    default:
                        buffer += text[i];
                    }
                }
            }
            buffer += '\n';
            if (buffer.size() > (1 << 20)) {
                ok = PQputCopyData(m_conn, buffer.constData(), int(buffer.size())) == 1;
                buffer.clear();
            }
        }
        sqlite3_finalize(rows);
        if (ok && !buffer.isEmpty())
            ok = PQputCopyData(m_conn, buffer.constData(), int(buffer.size())) == 1;
        PQputCopyEnd(m_conn, ok ? nullptr : "aborted");
        bool finished = ok;
        while (PGresult* r = PQgetResult(m_conn)) {
            finished = finished && PQresultStatus(r) == PGRES_COMMAND_OK;
            PQclear(r);
        }
        return finished || fail(QStringLiteral("写入数据表 %1").arg(table));
    }
    bool fail(const QString& what) {
        return failText(what + QStringLiteral("：") + QString::fromUtf8(PQerrorMessage(m_conn)).trimmed());
    }
    bool failText(const QString& text) {
        if (m_error.description.isEmpty())
            m_error = {1, text, Source};
        return false;
    }
    const AppError& error() const { return m_error; }

private:
    PGconn* m_conn;
    AppError m_error;
};

QString quotedIdentifier(PGconn* conn, const QString& name) {
    const QByteArray raw = name.toUtf8();
    char* escaped = PQescapeIdentifier(conn, raw.constData(), size_t(raw.size()));
    const QString out = escaped ? QString::fromUtf8(escaped) : QString();
    PQfreemem(escaped);
    return out;
}

QString quotedLiteral(PGconn* conn, const QString& value) {
    const QByteArray raw = value.toUtf8();
    char* escaped = PQescapeLiteral(conn, raw.constData(), size_t(raw.size()));
    const QString out = escaped ? QString::fromUtf8(escaped) : QString();
    PQfreemem(escaped);
    return out;
}

// Creates the database named in the connection string when the server lacks it and the user
// may create one; any other failure shows when the database itself is opened.
void createDatabaseIfMissing(const ConnectionString& cs, const QString& database) {
    QString ignored;
    PgConn maintenance = connectTo(cs, QStringLiteral("postgres"), &ignored);
    if (!maintenance)
        return;
    ServerLoad load(maintenance.get());
    QStringList found;
    if (!load.column(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ") +
                         quotedLiteral(maintenance.get(), database),
                     &found) ||
        !found.isEmpty())
        return;
    load.exec(QStringLiteral("CREATE DATABASE ") + quotedIdentifier(maintenance.get(), database) +
                  QStringLiteral(" ENCODING 'UTF8' TEMPLATE template0"),
              QString());
}

bool fill(const QString& embeddedFile, ServerLoad& load) {
    const QString schema = DemoDatabase::postgresSchemaSql();
    const QString procedures = DemoDatabase::postgresProceduresSql();
    const qsizetype marker = schema.indexOf(IndexMarker);
    if (schema.isEmpty() || marker < 0 || procedures.isEmpty())
        return load.failText(QStringLiteral("程序中没有 PostgreSQL 数据库结构文件"));
    QStringList present;
    if (!load.column(QStringLiteral("SELECT to_regclass('userdb')::text"), &present))
        return false;
    if (!present.value(0).isEmpty())
        return load.failText(
            QStringLiteral("数据库中已有医院数据表（userdb），演示数据不会覆盖它们；请指定一个空数据库。"));
    if (!load.exec(QStringLiteral("SET client_min_messages = warning; BEGIN"), QStringLiteral("开始事务")) ||
        !load.exec(schema.left(marker), QStringLiteral("建立数据表")) ||
        !load.exec(procedures, QStringLiteral("建立存储过程")))
        return false;
    QStringList tables;
    if (!load.column(
            QStringLiteral("SELECT table_name::text FROM information_schema.tables WHERE table_schema = "
                           "current_schema() AND table_type = 'BASE TABLE' AND table_name <> 'sysobjects' "
                           "ORDER BY 1"),
            &tables))
        return false;
    sqlite3* source = nullptr;
    if (sqlite3_open_v2(embeddedFile.toUtf8().constData(), &source, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(source);
        return load.failText(QStringLiteral("无法打开临时的嵌入式演示数据库"));
    }
    bool ok = true;
    for (const QString& table : tables) {
        QStringList columns;
        ok = load.column(QStringLiteral("SELECT column_name::text FROM information_schema.columns WHERE "
                                        "table_schema = current_schema() AND table_name = '%1'")
                             .arg(table),
                         &columns) &&
             load.copyTable(source, table, columns);
        if (!ok)
            break;
    }
    sqlite3_close(source);
    if (!ok)
        return false;
    // Identity columns go on after the rows loaded with their numbers.
    QStringList identities;
    if (!load.column(
            QStringLiteral(
                "SELECT format('SELECT setval(pg_get_serial_sequence(%L, %L), coalesce(max(%I), 0) + "
                "1, false) FROM %I', table_name, column_name, column_name, table_name) FROM "
                "information_schema.columns WHERE table_schema = current_schema() AND "
                "is_identity = 'YES'"),
            &identities))
        return false;
    for (const QString& statement : identities)
        if (!load.exec(statement, QStringLiteral("设置编号")))
            return false;
    return load.exec(schema.mid(marker), QStringLiteral("建立索引")) &&
           load.exec(QStringLiteral("COMMIT"), QStringLiteral("提交演示数据")) &&
           load.exec(QStringLiteral("ANALYZE"), QStringLiteral("统计数据"));
}

} // namespace

bool DemoDatabase::createOnServer(const QString& connectionString, const DemoOptions& options,
                                  AppError* error) {
    const auto report = [&](const QString& text) {
        if (error)
            *error = {1, text, Source};
        return false;
    };
    const ConnectionString cs = ConnectionString::parse(connectionString);
    if (cs.kind() != ConnectionString::Kind::PostgreSQL)
        return report(QStringLiteral("演示数据只能建立在 PostgreSQL 服务器上（Provider=PostgreSQL;...）。"));
    const QString database = cs.value(QStringLiteral("initial catalog")).trimmed();
    if (database.isEmpty())
        return report(QStringLiteral("连接字符串没有指定数据库（Initial Catalog）。"));
    createDatabaseIfMissing(cs, database);
    QString message;
    PgConn conn = connectTo(cs, database, &message);
    if (!conn)
        return report(QStringLiteral("无法连接 PostgreSQL 服务器：") + message);

    QTemporaryDir scratch;
    if (!scratch.isValid())
        return report(QStringLiteral("无法建立临时文件夹"));
    const QString embedded = QDir(scratch.path()).filePath(QStringLiteral("demo.db"));
    if (!DemoDatabase::create(embedded, options, error))
        return false;
    ServerLoad load(conn.get());
    if (fill(embedded, load))
        return true;
    if (error)
        *error = load.error();
    return false;
}

bool installAuditOnServer(const QString& connectionString, bool* added, AppError* error) {
    const auto report = [&](const QString& text) {
        if (error)
            *error = {1, text, Source};
        return false;
    };
    const ConnectionString cs = ConnectionString::parse(connectionString);
    QString message;
    PgConn conn = connectTo(cs, cs.value(QStringLiteral("initial catalog")).trimmed(), &message);
    if (!conn)
        return report(QStringLiteral("无法连接 PostgreSQL 服务器：") + message);
    PgResult there(PQexec(conn.get(), "SELECT 1 FROM information_schema.tables WHERE table_schema = "
                                      "current_schema() AND table_name = 'yjgl_log'"));
    if (PQresultStatus(there.get()) != PGRES_TUPLES_OK)
        return report(QString::fromUtf8(PQerrorMessage(conn.get())));
    *added = PQntuples(there.get()) == 0;
    if (!*added)
        return true;
    const QString script = QStringLiteral("SET client_min_messages = warning; BEGIN;\n") +
                           DemoDatabase::auditSql(QStringLiteral("postgresql")) + QStringLiteral("\nCOMMIT;");
    PgResult done(PQexec(conn.get(), script.toUtf8().constData()));
    if (PQresultStatus(done.get()) != PGRES_COMMAND_OK) {
        const QString failure = QString::fromUtf8(PQerrorMessage(conn.get()));
        PgResult rollback(PQexec(conn.get(), "ROLLBACK"));
        *added = false;
        return report(failure);
    }
    return true;
}
