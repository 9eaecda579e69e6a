#pragma once

#include "common/core/AppError.h"
#include "db/ConnectionString.h"
#include "db/Recordset.h"
#include "db/TsqlAdapter.h"

#include <QHash>
#include <QString>

#include <atomic>

// A connection to a PostgreSQL server through Qt's PostgreSQL driver, or through an ODBC
// driver (a data source of odbc.ini whose driver reports PostgreSQL). Takes the statements
// the adapter made of the windows' T-SQL; a stored procedure is a function of the schema,
// called with its arguments as texts. Several statements run as one unit. The server's
// getdate() follows the program's clock, so a workstation (or a test) whose clock is set
// apart sees the same time on the server as at home. Of several servers (a primary and its
// standby) it works on the one that takes writes, and after a lost link on the one that does now.
class PostgresDatabase {
public:
    static const QString Source;
    static const QString OdbcSource;
    // The statements that begin one of the program's transactions: it takes the write turn, and
    // waits for it and for rows at most `lockWaitMs`.
    static QStringList beginSteps(int lockWaitMs);

    PostgresDatabase();
    ~PostgresDatabase();
    PostgresDatabase(const PostgresDatabase&) = delete;
    PostgresDatabase& operator=(const PostgresDatabase&) = delete;

    // The program's statement timeout (the server ends a statement or a lock wait after it; a
    // connection attempt gives up after it) and the lock wait of a transaction. Before open.
    void setTimeoutMs(int statementMs, int lockWaitMs);
    bool open(const ConnectionString& cs, AppError* error);
    // The socket of the open session, -1 when closed; cutting it ends a statement that waits
    // for a server that does not answer.
    int socketDescriptor() const;
    // Kept up to date with the socket of the session (-1 while there is none; through ODBC always)
    // and its server process, also of a session started after a lost link: another thread cuts
    // the one, the next session ends the other.
    void setSinks(std::atomic<int>* socket, std::atomic<qint64>* backend) {
        m_socketSink = socket;
        m_backendSink = backend;
    }
    // Ends the server processes of sessions given up without an answer: a transaction left
    // open there would hold the write turn until the server noticed the link was gone.
    void endSessions(const QList<qint64>& backends);
    // Takes over an open QODBC link to a PostgreSQL server (OdbcDatabase::releaseLink()).
    bool adoptOdbcLink(const QString& connectionName, int lockWaitMs, AppError* error);
    void close();
    bool isOpen() const;

    RecordsetPtr execute(const QVector<AdaptedStatement>& statements, AppError* error);
    bool begin(AppError* error);
    bool commit(AppError* error);
    bool rollback(AppError* error);
    bool inTransaction() const { return m_inTransaction; }
    // The source named in this connection's errors: the road it takes to the server.
    QString source() const { return m_odbc ? OdbcSource : Source; }

private:
    bool connectOnce(AppError* error);
    bool reconnectIfLost(AppError* error);
    bool run(const QString& sql, bool keepRows, RecordsetPtr* rows, AppError* error);
    bool callProcedure(const AdaptedStatement& call, RecordsetPtr* rows, AppError* error);
    bool followClock(AppError* error);
    bool prepareSession(AppError* error);
    AppError failure(const class QSqlError& e, const QString& state) const;
    QString stateOf(const class QSqlQuery& query) const;

    QString m_name;      // the QSqlDatabase connection name
    bool m_odbc = false; // through an ODBC driver rather than libpq
    ConnectionString m_settings;
    bool m_linkLost = false; // the session is gone: the next statement starts a new one
    std::atomic<int>* m_socketSink = nullptr;
    std::atomic<qint64>* m_backendSink = nullptr;
    bool m_inTransaction = false;
    bool m_transactionFailed = false; // the server refuses everything until the rollback
    bool m_shiftKnown = true;         // the session's clock shift is m_shiftMs
    qint64 m_shiftMs = 0;
    int m_lockWaitMs = 10000;           // lock waits of a transaction
    int m_statementMs = 10000;          // the program's statement timeout
    int m_affected = 0;                 // rows written by the statements of one execute
    QHash<QString, bool> m_returnsRows; // procedure (lower case) -> gives rows
};
