#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <vector>

// Commands of yjgl-admin. Each one is a small function; add a command by adding a row to the
// table in AdminCommands.cpp.
struct AdminIo {
    QTextStream& out;
    QTextStream& err;
};

struct AdminCommand {
    QString name;
    QString usage; // the arguments after the command name
    QString summary;
    // The arguments after the command name; the result is the process exit status.
    int (*run)(const QStringList& args, AdminIo& io);
};

const std::vector<AdminCommand>& adminCommands();

// Runs "yjgl-admin ARGS..." (without the program name); prints the usage on a wrong call.
int runAdmin(const QStringList& args, AdminIo& io);
