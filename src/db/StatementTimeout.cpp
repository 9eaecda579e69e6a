#include "db/StatementTimeout.h"

#include "common/core/CIniFile.h"
#include "common/core/ProgramFolder.h"

namespace StatementTimeout {

QString iniPath() {
    return ProgramFolder::userFile(QStringLiteral("YJGL.ini"));
}

int milliseconds() {
    // A fraction ("1.5") is allowed so that a test need not wait whole seconds.
    CIniFile ini;
    ini.SpecifyIni(iniPath());
    int size = 32;
    bool ok = false;
    const double seconds =
        ini.ReadString(QStringLiteral("Database"), QStringLiteral("StatementTimeout"), size).toDouble(&ok);
    if (!ok || seconds <= 0 || seconds > 24 * 3600)
        return DefaultSeconds * 1000;
    return qMax(1, int(seconds * 1000));
}

} // namespace StatementTimeout
