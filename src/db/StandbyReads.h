#pragma once

#include "common/core/AppError.h"
#include "db/Recordset.h"

#include <QString>

// The two query windows may read from a standby server of a PostgreSQL primary, so that long
// searches do not load the server that takes the executions. Switched on in YJGL.ini:
//   [Database]
//   QueriesFromStandby=1
// (off by default). The reads then run on a second connection that prefers a standby and takes
// the primary when no standby answers; the execution, the void and every write stay on gConn,
// which always works on the primary.
namespace StandbyReads {

// The key is set and gConn works on PostgreSQL.
bool enabled();

// Runs a query of a query window like OpenRsQuiet: on the reading connection when enabled, else
// on gConn. After a lost link the reading connection is opened again at the next query (the
// query is not rerun); when it cannot be opened the query runs on gConn.
[[nodiscard]] bool OpenRsForQuery(RecordsetPtr& rs, const QString& sql, AppError* error);

// Closes the reading connection (it opens again on the next query).
void close();

} // namespace StandbyReads
