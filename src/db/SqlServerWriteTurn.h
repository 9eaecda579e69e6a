#pragma once

#include "common/core/AppError.h"
#include "db/Recordset.h"

#include <QString>

// The write turn of the program's transactions on SQL Server, as on the other engines: an
// exclusive application lock owned by the transaction (sp_getapplock), so that what one
// workstation reads before it writes (the free execution number) is not taken meanwhile by
// another. The lock ends with the transaction; a wait longer than the connection's lock wait
// fails the start of the transaction.
namespace SqlServerWriteTurn {

// The batch that asks for the turn and answers the procedure's return code as one row.
QString statement(int lockWaitMs);

// True when the answer grants the turn (0: at once, 1: after a wait); otherwise `error` says
// why (-1 timeout, -2 cancelled, -3 deadlock, -999 a call error, no answer at all).
bool granted(const Recordset* answer, AppError* error);

} // namespace SqlServerWriteTurn
