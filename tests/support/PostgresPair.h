#pragma once
// A PostgreSQL primary with a synchronous standby for one test, started through
// scripts/pg-test-server.sh in a folder of its own and stopped when it goes out of scope.
#include <QString>
#include <QTemporaryDir>

class PostgresPair {
public:
    PostgresPair();
    ~PostgresPair();
    PostgresPair(const PostgresPair&) = delete;
    PostgresPair& operator=(const PostgresPair&) = delete;

    bool isReady() const { return !m_connection.isEmpty(); }
    QString error() const { return m_error; }
    // The connection string naming both servers, the maintenance database as catalogue.
    QString connectionString() const { return m_connection; }
    // The same with another database.
    QString connectionTo(const QString& database) const;
    // Folder of the local sockets of both servers (for a pg_service.conf).
    QString socketFolder() const { return m_cluster; }

    // Stops the primary at once and promotes the standby; true once the new primary takes writes.
    bool failover();
    // Brings the old primary back as standby; true once the primary commits synchronously again.
    bool rejoin();

private:
    bool script(const QString& action, QString* output = nullptr);

    QTemporaryDir m_dir;
    QString m_cluster;
    QString m_connection;
    QString m_error;
};
