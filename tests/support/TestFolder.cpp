#include "support/TestFolder.h"

#include "common/core/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TestFolder::TestFolder() {
    ProgramFolder::setOverride(m_dir.path());
}

TestFolder::~TestFolder() {
    ProgramFolder::setOverride({});
}

QString TestFolder::file(const QString& name) const {
    return QDir(m_dir.path()).filePath(name);
}

void TestFolder::writeBytes(const QString& name, const QByteArray& bytes) const {
    const QString p = file(name);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray TestFolder::readBytes(const QString& name) const {
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void TestFolder::copyTestData(const QString& relativePath, const QString& asName) const {
    QFile src(QDir(sourceDir()).filePath(QStringLiteral("tests/data/") + relativePath));
    if (!src.open(QIODevice::ReadOnly))
        return;
    writeBytes(asName.isEmpty() ? QFileInfo(relativePath).fileName() : asName, src.readAll());
}

QString TestFolder::sourceDir() {
    const QString env = qEnvironmentVariable("YJGL_SOURCE_DIR");
    return env.isEmpty() ? QDir::currentPath() : env;
}
