#pragma once

#include "common/core/AppError.h"
#include "db/ConnectionString.h"
#include "db/Recordset.h"
#include "db/TsqlAdapter.h"

#include <QHash>
#include <QString>

// A connection to a PostgreSQL server through Qt's PostgreSQL driver. Takes the statements
// the adapter made of the windows' T-SQL; a stored procedure is a function of the schema,
// called with its arguments as texts. Several statements run as one unit. The server's
// getdate() follows the program's clock, so a workstation (or a test) whose clock is set
// apart sees the same time on the server as at home. Of several servers (a primary and its
// standby) it works on the one that takes writes, and after a lost link on the one that does now.
class PostgresDatabase {
public:
    static const QString Source;

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
    void close();
    bool isOpen() const;

    RecordsetPtr execute(const QVector<AdaptedStatement>& statements, AppError* error);
    bool begin(AppError* error);
    bool commit(AppError* error);
    bool rollback(AppError* error);
    bool inTransaction() const { return m_inTransaction; }

private:
    bool connectOnce(AppError* error);
    bool reconnectIfLost(AppError* error);
    bool run(const QString& sql, bool keepRows, RecordsetPtr* rows, AppError* error);
    bool callProcedure(const AdaptedStatement& call, RecordsetPtr* rows, AppError* error);
    bool followClock(AppError* error);
    AppError failure(const class QSqlError& e) const;

    QString m_name; // the QSqlDatabase connection name
    ConnectionString m_settings;
    bool m_linkLost = false; // the session is gone: the next statement starts a new one
    bool m_inTransaction = false;
    bool m_transactionFailed = false; // the server refuses everything until the rollback
    bool m_shiftKnown = true;         // the session's clock shift is m_shiftMs
    qint64 m_shiftMs = 0;
    int m_lockWaitMs = 10000;           // lock waits of a transaction
    int m_statementMs = 10000;          // the program's statement timeout
    int m_affected = 0;                 // rows written by the statements of one execute
    QHash<QString, bool> m_returnsRows; // procedure (lower case) -> gives rows
};
