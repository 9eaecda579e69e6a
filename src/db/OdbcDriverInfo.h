#pragma once

#include <QString>

class QSqlDatabase;
class QSqlQuery;

// What the ODBC driver behind a Qt QODBC connection says about itself and its last error,
// asked through the driver's own handles.
namespace OdbcDriverInfo {
// The database product the driver reaches (SQL_DBMS_NAME), e.g. "Microsoft SQL Server" or
// "PostgreSQL"; empty when the connection is not open through ODBC.
QString dbmsName(const QSqlDatabase& db);
// The SQLSTATE of the first diagnostic record of a failed statement or connection call; empty
// when the driver left none.
QString sqlState(const QSqlQuery& query);
QString sqlState(const QSqlDatabase& db);
} // namespace OdbcDriverInfo
