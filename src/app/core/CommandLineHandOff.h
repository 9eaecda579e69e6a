#pragma once

#include "common/core/AppError.h"

#include <QString>
#include <QStringList>

// A launcher hands the connection and a sign-in over on the command line:
// "{connection string}${user name}${password}$"; whatever follows the third "$" is ignored.
struct CommandLineHandOff {
    QString connectionString;
    QString userName;
    QString password;
};

// The command line as the program sees it: its arguments (without the program itself)
// joined with single blanks.
QString JoinCommandLine(const QStringList& arguments);

// True when the command line, trimmed, holds anything: start-up then expects a hand-off.
bool IsHandOffCommandLine(const QString& commandLine);

// Cuts the untrimmed command line at its first three "$" signs. Fewer than three fails.
[[nodiscard]] bool ParseHandOff(const QString& commandLine, CommandLineHandOff* handOff, AppError* error);
