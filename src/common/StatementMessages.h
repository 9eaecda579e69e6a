#pragma once

#include "db/StatementHelpers.h"

// OpenRs and ExecSql as a window runs them: the quiet routines of db/StatementHelpers.h, and
// after a failure the common error message. A window that shows its own message calls the
// quiet ones.

// Runs a query into a client-side recordset; on failure shows the common error message, leaves
// `rs` empty and returns false (after a broken link the connection has been reopened).
bool OpenRs(RecordsetPtr& rs, const QString& sql);
// Runs a statement without rows; false after the common error message.
bool ExecSql(const QString& sql);
