#include "app/core/StartupLayout.h"

#include "common/core/CIniFile.h"
#include "common/core/ProgramFolder.h"

#include <QDir>

QString MainLauncherTitle() {
    return QStringLiteral("主引导程序");
}

StartupLayout StartupLayoutFor(const QString& programFolder, const QString& applicationTitle,
                               QChar separator) {
    if (applicationTitle == MainLauncherTitle())
        return {programFolder, programFolder + separator + QStringLiteral("Sys.ini")};
    const QString prefix = ProgramFolder::parentPrefixOf(programFolder, separator);
    return {prefix, prefix + QStringLiteral("Sys.ini")};
}

SkinChoice ChooseSkin(const StartupLayout& layout, const QString& skinName, int useSkin, QChar separator) {
    if (useSkin != 1)
        return {};
    // The base folder of a non-launcher already ends with the separator; the doubled one
    // that results is accepted by the file system, as on Windows.
    return {true, layout.baseFolder + separator + QStringLiteral("SKIN") + separator + skinName};
}

StartupLayout CurrentStartupLayout(const QString& applicationTitle) {
    // Installed, Sys.ini is shared with the other settings and the skins are resources.
    if (ProgramFolder::installed())
        return {ProgramFolder::parentPrefix(), ProgramFolder::file(QStringLiteral("Sys.ini"))};
    return StartupLayoutFor(ProgramFolder::path(), applicationTitle, QDir::separator());
}

SkinChoice ReadSkinChoice(const QString& applicationTitle) {
    const QChar separator = QDir::separator();
    const StartupLayout layout = CurrentStartupLayout(applicationTitle);
    CIniFile ini;
    ini.SpecifyIni(layout.sysIni);
    int size = 100;
    const QString skinName = ini.ReadString(QStringLiteral("Skin"), QStringLiteral("SkinName"), size);
    const int useSkin = ini.ReadInt(QStringLiteral("Skin"), QStringLiteral("UseSkin"));
    return ChooseSkin(layout, skinName, useSkin, separator);
}
