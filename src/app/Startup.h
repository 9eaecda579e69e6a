#pragma once

#include "common/core/AppError.h"

#include <QString>

class password;

// The program's entry sequence: connection, skin, hand-off or stored settings, regional
// formats, unit name, then the login window. A failure on the way opens LinkDatabaseErr,
// whose retry runs Main again.
namespace Startup {

void Main();

// Reads Sys.ini and applies the skin style sheet. Never fails.
void PrepareStartup();

// The command line Main reads; by default the program's arguments joined with blanks.
// Tests set their own; an invalid (null) text restores the default.
void setCommandLine(const QString& commandLine);
QString commandLine();

// The login window of the last Main, while it is loaded.
password* loginWindow();

// Shows LinkDatabaseErr with the description; a retry runs Main again once the dialog is
// gone. Also what OpenConn shows when the connection cannot be reopened.
void ShowConnectionError(const QString& description);

} // namespace Startup
