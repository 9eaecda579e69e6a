#include "tools/core/CalendarPage.h"

#include "common/core/ProgramFolder.h"

QString CalendarPagePath(const QString& programFolder, QChar separator) {
    return ProgramFolder::parentPrefixOf(programFolder, separator) + QStringLiteral("LBReg") + separator +
           QStringLiteral("wnl.htm");
}
