#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh program folder for one test: ProgramFolder points at it while it lives.
// Test data from tests/data can be copied into it.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();

    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const;
    void writeBytes(const QString& name, const QByteArray& bytes) const;
    QByteArray readBytes(const QString& name) const;
    // Copies a file of the source tree's tests/data folder into the program folder.
    void copyTestData(const QString& relativePath, const QString& asName = {}) const;

    // The source tree (YJGL_SOURCE_DIR, set by CTest).
    static QString sourceDir();

private:
    QTemporaryDir m_dir;
};
