#include "common/core/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

QString g_override;

QString native(const QString& folder) {
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absolutePath()));
}

QString withSeparator(const QString& folder) {
    return folder.endsWith(QDir::separator()) ? folder : folder + QDir::separator();
}

QString executableFolder() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // Before the application object exists (the first lines of main) the kernel knows.
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (self.isSymLink())
        return QFileInfo(self.symLinkTarget()).absolutePath();
    return QDir::currentPath();
}

QString home() {
    return g_override.isEmpty() ? qEnvironmentVariable("YJGL_HOME") : g_override;
}

// Every file name the program uses goes through the layout; it changes only with its inputs, so
// the installed folder is looked for on disk once and not again for each file.
ProgramFolder::Layout currentLayout() {
    struct Cached {
        QStringList inputs;
        ProgramFolder::Layout layout;
    };
    thread_local Cached cached;
    const QStringList inputs{executableFolder(), home(), qEnvironmentVariable("XDG_CONFIG_HOME"),
                             QDir::homePath()};
    if (cached.inputs != inputs)
        cached = {inputs, ProgramFolder::layoutFor(inputs.at(0), inputs.at(1), inputs.at(2), inputs.at(3))};
    return cached.layout;
}

} // namespace

namespace ProgramFolder {

QString installedSharedFolder() {
    return QStringLiteral("/var/lib/yjgl");
}

Layout layoutFor(const QString& executableFolder, const QString& home, const QString& configHome,
                 const QString& userHome) {
    Layout layout;
    const QDir bin(executableFolder);
    const QString share = QDir::cleanPath(bin.filePath(QStringLiteral("../share/yjgl")));
    layout.installed = bin.dirName() == QLatin1String("bin") && QFileInfo(share).isDir();
    if (!home.isEmpty()) {
        layout.shared = layout.user = native(home);
    } else if (layout.installed) {
        layout.shared = native(installedSharedFolder());
        const QString config = configHome.isEmpty() ? userHome + QStringLiteral("/.config") : configHome;
        layout.user = native(config + QStringLiteral("/yjgl"));
    } else {
        layout.shared = layout.user = native(executableFolder);
    }
    layout.resources = layout.installed ? withSeparator(native(share)) : parentPrefixOf(layout.shared);
    return layout;
}

QString path() {
    return currentLayout().shared;
}

QString file(const QString& name) {
    return withSeparator(path()) + name;
}

QString userPath() {
    return currentLayout().user;
}

QString userFile(const QString& name) {
    const Layout layout = currentLayout();
    // An installed program makes the user's folder on first use; the others are given.
    if (layout.installed && !homeSet())
        QDir().mkpath(layout.user);
    return withSeparator(layout.user) + name;
}

bool homeSet() {
    return !home().isEmpty();
}

bool installed() {
    return currentLayout().installed;
}

QString parentPrefixOf(const QString& folder, QChar separator) {
    if (folder.size() <= 3)
        return {};
    const qsizetype last = folder.lastIndexOf(separator);
    if (last < 0)
        return {};
    return folder.left(last + 1);
}

QString parentPrefix() {
    return currentLayout().resources;
}

void shareNewFilesWithGroup() {
    if (!installed() || homeSet())
        return;
    const mode_t mask = ::umask(0);
    ::umask(mask & ~mode_t(S_IWGRP | S_IRGRP));
}

void setOverride(const QString& folder) {
    g_override = folder;
}

} // namespace ProgramFolder
