#include "app/core/MainWindowPlacement.h"

#include "common/core/CIniFile.h"
#include "common/core/ProgramFolder.h"

namespace MainWindowPlacement {

namespace {
const QString kSection = QStringLiteral("mainfrm");
}

QString iniPath() {
    return ProgramFolder::userFile(QStringLiteral("YJGL.ini"));
}

bool load(Placement* placement) {
    CIniFile ini;
    ini.SpecifyIni(iniPath());
    int size = 16;
    const QString maximized = ini.ReadString(kSection, QStringLiteral("Maximized"), size);
    if (maximized.isEmpty())
        return false;
    placement->maximized = maximized != QLatin1String("0");
    const QRect normal(
        ini.ReadInt(kSection, QStringLiteral("Left")), ini.ReadInt(kSection, QStringLiteral("Top")),
        ini.ReadInt(kSection, QStringLiteral("Width")), ini.ReadInt(kSection, QStringLiteral("Height")));
    placement->normal = normal.width() > 0 && normal.height() > 0 ? normal : QRect();
    return true;
}

bool save(const Placement& placement) {
    CIniFile ini;
    ini.SpecifyIni(iniPath());
    const QRect& r = placement.normal;
    return ini.WriteString(kSection, QStringLiteral("Left"), QString::number(r.x())) &&
           ini.WriteString(kSection, QStringLiteral("Top"), QString::number(r.y())) &&
           ini.WriteString(kSection, QStringLiteral("Width"), QString::number(r.width())) &&
           ini.WriteString(kSection, QStringLiteral("Height"), QString::number(r.height())) &&
           ini.WriteString(kSection, QStringLiteral("Maximized"),
                           placement.maximized ? QStringLiteral("1") : QStringLiteral("0"));
}

QRect onScreen(const QRect& normal, const QRect& screen) {
    QRect r(normal.topLeft(), normal.size().boundedTo(screen.size()));
    r.moveLeft(qBound(screen.left(), r.left(), screen.right() - r.width() + 1));
    r.moveTop(qBound(screen.top(), r.top(), screen.bottom() - r.height() + 1));
    return r;
}

} // namespace MainWindowPlacement
