#include "common/core/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString g_override;
}

namespace ProgramFolder {

QString path() {
    QString folder = g_override;
    if (folder.isEmpty())
        folder = qEnvironmentVariable("YJGL_HOME");
    if (folder.isEmpty() && QCoreApplication::instance())
        folder = QCoreApplication::applicationDirPath();
    if (folder.isEmpty())
        folder = QDir::currentPath();
    folder = QDir::cleanPath(QDir(folder).absolutePath());
    return QDir::toNativeSeparators(folder);
}

QString file(const QString& name) {
    QString folder = path();
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder + name;
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
    return parentPrefixOf(path());
}

void setOverride(const QString& folder) {
    g_override = folder;
}

} // namespace ProgramFolder
