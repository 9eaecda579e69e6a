#pragma once

#include "db/Connection.h"
#include "db/audit/AuditChain.h"

#include <QDate>
#include <QString>

// The statements of the audit trail, in T-SQL as the connection expects them.
namespace AuditSql {

// One row with one column, 1 when the database holds YJGL_LOG (asked of the engine's catalogue,
// so that the question never fails a transaction).
QString tableExists(Connection::Engine engine);
// The last row's number and digest (no row in an empty table).
QString head();
QString insert(const AuditRow& row);
// Up to `count` rows after number `after`, in order, with every column of AuditRow.
QString rowsAfter(qint64 after, int count);
// The row numbered xh.
QString row(qint64 xh);
// The rows of a period (days inclusive; invalid days leave that end open), in order.
QString period(const QDate& from, const QDate& to);

} // namespace AuditSql
