#pragma once

#include <QString>

// How long the program waits for the database to answer a statement before it gives the
// statement (and a server connection that does not answer) up: key "StatementTimeout" of
// section "Database" in the user's YJGL.ini, in seconds, 10 when missing or not a positive
// number. The same for every engine.
namespace StatementTimeout {

constexpr int DefaultSeconds = 10;

QString iniPath();
// Read once per connection, when it opens.
int milliseconds();

} // namespace StatementTimeout
