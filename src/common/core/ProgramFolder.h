#pragma once

#include <QDir>
#include <QString>

// The folders the program keeps its local files in.
//
// From a build tree, everything lies in the executable's folder, and the shared resources
// (LBReg, SKIN) in the folder above it. Installed (the executable in PREFIX/bin beside
// PREFIX/share/yjgl), the files a workstation's users share (DatabaseSet.data, ORVA.ini,
// Sys.ini, the embedded database) lie in /var/lib/yjgl, each user's own (User.data, the
// window places, the registry store) in $XDG_CONFIG_HOME/yjgl, and the resources in
// PREFIX/share/yjgl. The environment variable YJGL_HOME names one folder for both the shared
// and the per-user files (portable installs and tests).
namespace ProgramFolder {

struct Layout {
    QString shared;    // without a trailing separator
    QString user;      // without a trailing separator
    QString resources; // the prefix of LBReg and SKIN: ends with a separator, or is empty
    bool installed = false;
};

// The rule above for an executable in `executableFolder`; `home` is YJGL_HOME (or empty),
// `configHome` $XDG_CONFIG_HOME (or empty) and `userHome` the user's home folder.
Layout layoutFor(const QString& executableFolder, const QString& home, const QString& configHome,
                 const QString& userHome);
// The folder of the installed program's shared files.
QString installedSharedFolder();

// The shared folder and a file in it.
QString path();
QString file(const QString& name);
// The user's own folder and a file in it (the installed program makes the folder when missing).
QString userPath();
QString userFile(const QString& name);
// True when YJGL_HOME (or an override) names the one folder for everything.
bool homeSet();
// True when the program runs from its installed place.
bool installed();
// The prefix of the resource folders: from a build tree the program folder's path up to and
// including its last separator, empty when the path has 3 characters or fewer (a drive or
// file-system root); installed, PREFIX/share/yjgl/.
QString parentPrefix();
// `separator` lets callers apply the rule to paths written for another platform.
QString parentPrefixOf(const QString& folder, QChar separator = QDir::separator());
// Installed, the workstation's users share the files the program makes in the shared folder
// (the embedded database and its logs, ORVA.ini, Sys.ini) through the folder's group: the
// process lets that group write what it creates. Called first by the programs' main.
void shareNewFilesWithGroup();
// For tests and tools: overrides both the environment and the executable's folder.
void setOverride(const QString& folder);
} // namespace ProgramFolder
