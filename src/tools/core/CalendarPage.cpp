#include "tools/core/CalendarPage.h"

#include "common/core/ProgramFolder.h"

QString CalendarPageIn(const QString& resourcePrefix, QChar separator) {
    return resourcePrefix + QStringLiteral("LBReg") + separator + QStringLiteral("wnl.htm");
}

QString CalendarPagePath(const QString& programFolder, QChar separator) {
    return CalendarPageIn(ProgramFolder::parentPrefixOf(programFolder, separator), separator);
}
