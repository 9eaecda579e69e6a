#pragma once

#include <QChar>
#include <QString>

// Where start-up finds Sys.ini and the SKIN folder. The main launcher keeps them in its own
// folder; every other program of the system shares them in the parent of its folder.
struct StartupLayout {
    QString baseFolder; // the folder of Sys.ini and SKIN; empty for a program at a root
    QString sysIni;
};

// The application title of the system's main launcher.
QString MainLauncherTitle();

// `separator` is the one the program folder's path uses ("\" on Windows, "/" here).
StartupLayout StartupLayoutFor(const QString& programFolder, const QString& applicationTitle,
                               QChar separator);

// The layout of the running program: the rule above from a build tree; installed, Sys.ini in
// the shared folder and SKIN among the resources.
StartupLayout CurrentStartupLayout(const QString& applicationTitle);

// A skin is a Qt style sheet file in the SKIN folder, applied only when UseSkin is exactly 1.
struct SkinChoice {
    bool apply = false;
    QString styleSheetFile;
};
SkinChoice ChooseSkin(const StartupLayout& layout, const QString& skinName, int useSkin, QChar separator);

// Reads Sys.ini of the running program (its folder and the title its boxes carry) and
// decides. Never fails: a missing or unreadable Sys.ini gives no skin.
SkinChoice ReadSkinChoice(const QString& applicationTitle);
