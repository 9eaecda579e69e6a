#pragma once

#include "common/core/AppError.h"
#include "db/Recordset.h"

#include <QString>

#include <functional>

// The shared routines through which every statement runs on gConn. None of them shows a box:
// a failure comes back in the result and an AppError, and the caller decides what to show
// (windows through common/StatementMessages.h, which shows the common error message).

// Opens gConn with its connection string unless it is open. A failure is handed to the
// connection-failure handler (the program installs the connection-settings dialog).
void OpenConn();
// Called with the error description when OpenConn fails; empty handler: nothing shown.
void setConnectionFailureHandler(std::function<void(const QString& description)> handler);

// The lost-link road. gConn lost its link, or a statement had no answer in time, and the session
// has been closed: OpenConn is posted to the event loop, once, and runs when nothing is under way
// (BusyState), so that the routine that lost the link ends first and its window shows its message;
// then the connection is reopened, or the connection-failure handler is called. Until then
// OpenRsQuiet and ExecSqlQuiet fail at once with "closed object" instead of reopening from
// inside a routine.
// Without an event loop on the calling thread, the next statement reopens as before.
void ReportLostLink();
bool LostLinkPending();

// Runs a query into a client-side recordset. On failure leaves `rs` empty, fills `error` and
// returns false; after a broken link the lost-link road reopens the connection (the statement is
// not rerun).
[[nodiscard]] bool OpenRsQuiet(RecordsetPtr& rs, const QString& sql, AppError* error);
// Closes and releases; never fails.
void CloseRs(RecordsetPtr& rs);
// Runs a statement without rows; false with `error` filled after a failure, and after a broken
// link the lost-link road reopens the connection (the statement is not rerun).
[[nodiscard]] bool ExecSqlQuiet(const QString& sql, AppError* error);

// Puts a value into a statement between single quotes, doubling quotes inside it.
// For values without quotes the text is exactly '{value}'.
QString SqlText(const QString& value);
// Only the inside of the quotes (for patterns such as '{value}%').
QString SqlEscape(const QString& value);

// "Select top 1 {field} From {table} Where {field}  Like'{value}'[ And {extra}]".
// A failed statement is not shown here: it comes back in `error` and the result is false.
QString RecordExistsStatement(const QString& table, const QString& field, const QString& value,
                              const QString& extraCondition);
[[nodiscard]] bool RecordExists(const QString& table, const QString& field, const QString& value,
                                const QString& extraCondition, AppError* error = nullptr);
