#pragma once

#include "common/core/AppError.h"
#include "db/Recordset.h"

#include <QString>

// A connection to Microsoft SQL Server through Qt's ODBC driver (FreeTDS, or the driver of a
// data source of odbc.ini). Statement texts go to the server unchanged: they are T-SQL already.
class OdbcDatabase {
public:
    OdbcDatabase();
    ~OdbcDatabase();
    OdbcDatabase(const OdbcDatabase&) = delete;
    OdbcDatabase& operator=(const OdbcDatabase&) = delete;

    bool open(const QString& odbcText, AppError* error);
    void close();
    bool isOpen() const;
    QString source() const;
    // The database product the driver reports (SQL_DBMS_NAME).
    QString dbmsName() const;
    // Hands the open link (its QSqlDatabase connection name) to another owner; this object is
    // closed afterwards and no longer closes it.
    QString releaseLink();

    RecordsetPtr execute(const QString& sql, AppError* error);
    // Lock waits of a transaction (the connection string's "Busy Timeout").
    void setLockWaitMs(int ms) { m_lockWaitMs = ms; }
    // Every statement is given up by the driver after this long (SQL_ATTR_QUERY_TIMEOUT).
    void setStatementTimeoutMs(int ms) { m_statementMs = ms; }
    bool begin(AppError* error);
    bool commit(AppError* error);
    bool rollback(AppError* error);
    bool inTransaction() const { return m_inTransaction; }

private:
    QString m_name; // the QSqlDatabase connection name
    bool m_inTransaction = false;
    int m_lockWaitMs = 10000;
    int m_statementMs = 10000;
};
