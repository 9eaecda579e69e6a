#pragma once

#include <QChar>
#include <QDir>
#include <QString>

// The perpetual-calendar page "LBReg/wnl.htm" in the folder beside the program's folder;
// for a program at a root the relative path "LBReg/wnl.htm".
QString CalendarPagePath(const QString& programFolder, QChar separator = QDir::separator());
// The page under a resource prefix (ProgramFolder::parentPrefix() of the running program).
QString CalendarPageIn(const QString& resourcePrefix, QChar separator = QDir::separator());
