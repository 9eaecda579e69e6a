#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// An OLE DB style connection string: "Key=Value;" pairs, keys without regard to letter case,
// a value in '...' or "..." may hold ';'.
//   Provider=sqloledb;Data Source={server};Initial Catalog={database};User ID={user};Password={pw};
//   Provider=SQLite;Data Source={file};[Busy Timeout={ms};]
//   Provider=PostgreSQL;Data Source={host}[:{port}];Initial Catalog={database};User ID={user};Password={pw};
//   Provider=PostgreSQL;Data Source={host1}[:{port}],{host2}[:{port}];...   a primary and its standby
//   Provider=PostgreSQL;Service={name};   the server, database and login of pg_service.conf
//   DSN={data source name};[UID={user};PWD={pw};]   (any ODBC driver; also after Provider=MSDASQL;)
// A relative SQLite file lies in the program folder.
class ConnectionString {
public:
    enum class Kind { Empty, SqlServer, SQLite, PostgreSQL, Odbc, Unknown };

    static ConnectionString parse(const QString& text);

    Kind kind() const;
    QString provider() const { return value(QStringLiteral("provider")); }
    // Keys are matched without case; Server/Database/UID/PWD stand for the OLE DB names.
    QString value(const QString& key) const;
    bool contains(const QString& key) const;

    // The ODBC text for SQL Server through the FreeTDS driver; braces guard values with ; { } =.
    QString odbcConnectionText() const;
    // The ODBC text for a data source of odbc.ini: DSN first, then the other keys in their ODBC
    // spelling (SERVER, DATABASE, UID, PWD; any other key as written), for the driver to read.
    QString dsnConnectionText() const;
    QString sqliteFile() const;
    // PostgreSQL server address: "host", "host:port" or "[v6 address]:port" (port 5432 when none);
    // of several servers, the first.
    QString postgresHost() const;
    int postgresPort() const;
    // Every server named, in order: "host" and port each.
    QList<QPair<QString, int>> postgresServers() const;
    // Several servers or a service: the program looks for the one that takes writes, and waits
    // for one after a lost link (a failover).
    bool postgresFailover() const;
    // How long a connection that can fail over waits for a server that takes writes
    // ("Failover Timeout" in seconds, default 30).
    int failoverTimeoutMs() const;
    // The libpq parameters ("host", "port", "dbname", "user", "password", "service",
    // "target_session_attrs") the string gives; "target_session_attrs" is "read-write" for a
    // connection that can fail over unless "Target Session Attrs" says otherwise.
    QList<QPair<QByteArray, QString>> postgresParameters() const;
    // Lock waits of the embedded engine and of a PostgreSQL transaction (default 10 s).
    int busyTimeoutMs() const;

    // "{...}" when an ODBC value needs it, "}" doubled inside.
    static QString odbcValue(const QString& value);

private:
    QHash<QString, QString> m_values; // lower-case canonical key -> value
    QStringList m_order;              // canonical keys in the order written
};
