#include "support/TestEngine.h"

#include "db/ConnectionString.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QCryptographicHash>

#include <libpq-fe.h>

namespace {

QAtomicInt g_serial;

// The test server's connection string with another database.
QString withDatabase(const QString& connection, const QString& database) {
    QString out;
    for (const QString& part : connection.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString key = part.section(QLatin1Char('='), 0, 0).trimmed().toLower();
        if (key != u"initial catalog" && key != u"database")
            out += part + QLatin1Char(';');
    }
    return out + QStringLiteral("Initial Catalog=") + database + QLatin1Char(';');
}

// One libpq session on a database of the server, by default its maintenance database.
class Maintenance {
public:
    explicit Maintenance(const QByteArray& database = "postgres") {
        const ConnectionString cs = ConnectionString::parse(TestEngine::serverConnection());
        const QByteArray host = cs.postgresHost().toUtf8();
        const QByteArray port = QByteArray::number(cs.postgresPort());
        const QByteArray user = cs.value(QStringLiteral("user id")).toUtf8();
        const QByteArray password = cs.value(QStringLiteral("password")).toUtf8();
        const char* keys[] = {"host", "port", "dbname", "user", "password", nullptr};
        const char* values[] = {host.constData(), port.constData(),     database.constData(),
                                user.constData(), password.constData(), nullptr};
        m_conn = PQconnectdbParams(keys, values, 0);
        run(QStringLiteral("SET client_min_messages = warning"));
    }
    ~Maintenance() { PQfinish(m_conn); }
    bool ok() const { return PQstatus(m_conn) == CONNECTION_OK; }
    QString message() const { return QString::fromUtf8(PQerrorMessage(m_conn)).trimmed(); }
    // Runs a command; the first value of its result (empty when none) in `value`.
    bool run(const QString& sql, QString* value = nullptr) {
        PGresult* r = PQexec(m_conn, sql.toUtf8().constData());
        const ExecStatusType status = PQresultStatus(r);
        const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (value)
            *value = ok && PQntuples(r) > 0 ? QString::fromUtf8(PQgetvalue(r, 0, 0)) : QString();
        PQclear(r);
        return ok;
    }

private:
    PGconn* m_conn = nullptr;
};

QString templateName(const DemoOptions& options) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(DemoDatabase::postgresSchemaSql().toUtf8());
    hash.addData(DemoDatabase::postgresProceduresSql().toUtf8());
    hash.addData(DemoDatabase::schemaSql().toUtf8());
    hash.addData(QByteArray::number(options.documents) + ' ' + options.today.toString(Qt::ISODate).toUtf8() +
                 ' ' + QByteArray::number(options.seed));
    return QStringLiteral("yjgl_tpl_") + QString::fromLatin1(hash.result().toHex().left(16));
}

} // namespace

namespace TestEngine {

bool onPostgres() {
    return qEnvironmentVariable("YJGL_TEST_ENGINE")
                   .compare(QStringLiteral("postgresql"), Qt::CaseInsensitive) == 0 ||
           onOdbc();
}

bool onOdbc() {
    return qEnvironmentVariable("YJGL_TEST_ENGINE").compare(QStringLiteral("odbc"), Qt::CaseInsensitive) == 0;
}

QString programConnection(const QString& postgresConnection) {
    if (!onOdbc())
        return postgresConnection;
    const ConnectionString cs = ConnectionString::parse(postgresConnection);
    const ConnectionString server = ConnectionString::parse(serverConnection());
    const QString database = ConnectionString::odbcValue(cs.value(QStringLiteral("initial catalog")));
    // The data source names the test server: as a hospital would, only the database is added.
    if (cs.postgresHost() == server.postgresHost() && cs.postgresPort() == server.postgresPort() &&
        cs.value(QStringLiteral("user id")) == server.value(QStringLiteral("user id")) &&
        cs.value(QStringLiteral("password")) == server.value(QStringLiteral("password")))
        return QStringLiteral("DSN=yjgl_test;Database=%1;").arg(database);
    return QStringLiteral("DSN=yjgl_test;Server=%1;Port=%2;Database=%3;UID=%4;PWD=%5;")
        .arg(cs.postgresHost())
        .arg(cs.postgresPort())
        .arg(database, ConnectionString::odbcValue(cs.value(QStringLiteral("user id"))),
             ConnectionString::odbcValue(cs.value(QStringLiteral("password"))));
}

QString serverConnection() {
    return qEnvironmentVariable("YJGL_TEST_PG");
}

QString serverConnectionTo(const QString& database) {
    return withDatabase(serverConnection(), database);
}

bool runOnServer(const QString& database, const QString& sql, QString* value, QString* error) {
    Maintenance server(database.toUtf8());
    const bool ok = server.ok() && server.run(sql, value);
    if (!ok && error)
        *error = server.message();
    return ok;
}

bool dropServerDatabase(const QString& database) {
    Maintenance server;
    return server.ok() &&
           server.run(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(database));
}

QString createDemo(const QString& sqliteFile, const DemoOptions& options,
                   std::unique_ptr<ServerTestDatabase>* server, AppError* error) {
    if (!onPostgres()) {
        if (!DemoDatabase::create(sqliteFile, options, error))
            return {};
        return QStringLiteral("Provider=SQLite;Data Source=%1;").arg(sqliteFile);
    }
    *server = std::make_unique<ServerTestDatabase>(options);
    if (!(*server)->isReady()) {
        *error = {1, (*server)->error(), QStringLiteral("ServerTestDatabase")};
        return {};
    }
    return (*server)->connectionString();
}

} // namespace TestEngine

ServerTestDatabase::ServerTestDatabase(const DemoOptions& options) {
    if (TestEngine::serverConnection().isEmpty()) {
        m_error = QStringLiteral("YJGL_TEST_PG names no PostgreSQL test server");
        return;
    }
    Maintenance server;
    if (!server.ok()) {
        m_error = server.message();
        return;
    }
    // Test processes running side by side build a template once, one after the other.
    const QString tpl = templateName(options);
    server.run(QStringLiteral("SELECT pg_advisory_lock(5912)"));
    QString exists;
    server.run(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = '%1'").arg(tpl), &exists);
    AppError error;
    if (exists.isEmpty() &&
        !DemoDatabase::createOnServer(withDatabase(TestEngine::serverConnection(), tpl), options, &error)) {
        m_error = error.description;
        server.run(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(tpl));
        server.run(QStringLiteral("SELECT pg_advisory_unlock(5912)"));
        return;
    }
    m_name = QStringLiteral("yjgl_t%1_%2")
                 .arg(QCoreApplication::applicationPid())
                 .arg(g_serial.fetchAndAddRelaxed(1));
    server.run(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
    m_ready = server.run(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(m_name, tpl));
    if (!m_ready)
        m_error = server.message();
    server.run(QStringLiteral("SELECT pg_advisory_unlock(5912)"));
}

ServerTestDatabase::~ServerTestDatabase() {
    if (!m_ready)
        return;
    Maintenance server;
    server.run(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
}

QString ServerTestDatabase::connectionString() const {
    return TestEngine::programConnection(withDatabase(TestEngine::serverConnection(), m_name));
}
