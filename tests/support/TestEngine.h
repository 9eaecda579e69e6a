#pragma once

#include "common/core/AppError.h"
#include "db/demo/DemoDatabase.h"

#include <QString>

#include <memory>

class ServerTestDatabase;

// Which engine a database test runs on. A test registered for PostgreSQL as well runs a second
// time with YJGL_TEST_ENGINE=postgresql; YJGL_TEST_PG then holds the connection string of a
// test server (any database on it; the tests make their own). With YJGL_TEST_ENGINE=odbc it
// runs on the same server through ODBC, from the data source "yjgl_test" that
// tests/run-on-odbc.sh writes into the odbc.ini named by ODBCINI.
namespace TestEngine {
// True on the PostgreSQL test server, reached either way.
bool onPostgres();
bool onOdbc();
// The program's connection string for a database of a PostgreSQL server given by its
// Provider=PostgreSQL string: that string, or through ODBC the data source with the server,
// database and user of that string.
QString programConnection(const QString& postgresConnection);
QString serverConnection();
// The test server's connection string naming another database; dropping one (sessions cut).
QString serverConnectionTo(const QString& database);
bool dropServerDatabase(const QString& database);
// Runs statements (separated by semicolons) on a database of the test server; the first value
// of the last result in `value`, the server's message in `error` after a failure.
bool runOnServer(const QString& database, const QString& sql, QString* value = nullptr,
                 QString* error = nullptr);
// A demo database for the engine the test runs on: the embedded file `sqliteFile`, or a fresh
// database on the test server held by `server`. Its connection string; empty after a failure.
QString createDemo(const QString& sqliteFile, const DemoOptions& options,
                   std::unique_ptr<ServerTestDatabase>* server, AppError* error);
} // namespace TestEngine

// A fresh demo database on the test server for one test, dropped when it goes out of scope.
// It is copied from a template built once per demo options (and schema), so that a test pays
// for a copy, not for the demo builder.
class ServerTestDatabase {
public:
    explicit ServerTestDatabase(const DemoOptions& options);
    ~ServerTestDatabase();
    ServerTestDatabase(const ServerTestDatabase&) = delete;
    ServerTestDatabase& operator=(const ServerTestDatabase&) = delete;

    bool isReady() const { return m_ready; }
    QString error() const { return m_error; }
    QString name() const { return m_name; }
    QString connectionString() const;

private:
    QString m_name;
    QString m_error;
    bool m_ready = false;
};
