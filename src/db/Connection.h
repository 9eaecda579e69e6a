#pragma once

#include "common/core/AppError.h"
#include "db/Recordset.h"

#include <QString>

#include <functional>
#include <memory>

struct EngineSession;

// The program's one connection to the hospital database.
// "Provider=sqloledb;..." reaches Microsoft SQL Server through ODBC (FreeTDS);
// "Provider=SQLite;Data Source={file};" opens the embedded database;
// "Provider=PostgreSQL;Data Source={host}[:{port}];..." reaches a PostgreSQL server;
// "DSN={name};..." reaches the server of a data source of odbc.ini through its ODBC driver,
// spoken to in the dialect of the product the driver reports.
// Statement texts are T-SQL as the windows build them; the connection adapts them to the
// engine in use. The statements run on a thread of the connection's own (DatabaseWorker): the
// caller waits, and on the program's thread its windows keep painting and answering meanwhile.
// A statement without an answer after StatementTimeout is given up and the session dropped.
class Connection {
public:
    enum class Engine { None, SQLite, SqlServer, PostgreSQL };

    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setConnectionString(const QString& connectionString);
    QString connectionString() const;

    bool open(AppError* error = nullptr);
    bool isOpen() const;
    void close();
    // Closes the session and ends the connection's thread (with the application object); later
    // statements run on the caller's thread.
    void endThread();
    Engine engine() const;
    // The engine whose dialect a server speaks, by the product name its ODBC driver reports
    // (SQL_DBMS_NAME); None for a product the program does not speak to.
    static Engine engineForDbms(const QString& dbmsName);

    // Runs one statement text (which may hold several statements joined by line feeds).
    // Returns the rows of the last statement that gave rows (an empty recordset when none
    // did), or nullptr with `error` filled when the statement failed.
    RecordsetPtr execute(const QString& sql, AppError* error = nullptr);

    bool beginTrans(AppError* error = nullptr);
    bool commitTrans(AppError* error = nullptr);
    bool rollbackTrans(AppError* error = nullptr);
    bool inTransaction() const;

    // How long a statement may go without an answer (StatementTimeout, read when it opens).
    int timeoutMs() const;

    // Runs `steps` on the connection's thread in one hand-over: what it sends through this
    // connection meanwhile (statements, transaction steps) runs there at once, one after the
    // other, as the steps of a server's routine do. The same timeout holds for the whole.
    // `steps` must own what it touches: without an answer in time the caller goes on without it.
    // False with `error` filled (and the session given up) when it gave no answer; else true,
    // whatever the steps' own statements answered.
    [[nodiscard]] bool runTogether(std::function<void()> steps, AppError* error = nullptr);

private:
    // A lost link or a statement without an answer in time: the session is closed, and for
    // gConn the lost-link road (ReportLostLink) is posted. True when that happened.
    bool lostLink(const AppError& failure, bool interrupted);
    RecordsetPtr runJob(const std::function<RecordsetPtr(EngineSession&, AppError*)>& job, AppError* failure);
    bool transactionStep(int step, AppError* error);

    struct Private;
    std::unique_ptr<Private> d;
};

// The one connection of the run; created by start-up (or by a tool or test).
extern Connection* gConn;
// Replaces gConn by a new, closed connection with the given string and returns it.
Connection& resetGlobalConnection(const QString& connectionString = {});
