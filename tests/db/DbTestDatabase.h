#pragma once

#include <QString>
#include <QStringList>

struct sqlite3;

// A small hospital database made by the test itself, with two stored procedures.
namespace DbTestDatabase {
// Creates `file` with the tables and procedures the tests use and returns its connection string.
QString create(const QString& file, int busyTimeoutMs = 300);
// Runs statements straight on the file, beside the connection under test.
bool run(const QString& file, const QStringList& statements);
// Reads one value straight from the file ("" when none).
QString scalar(const QString& file, const QString& sql);

// Another workstation in the middle of a write: holds the file's write lock until it rolls back
// (at the latest when it goes out of scope, so a failed check leaves no lock behind).
class OtherWriter {
public:
    OtherWriter(const QString& file, const QString& write);
    ~OtherWriter();
    OtherWriter(const OtherWriter&) = delete;
    OtherWriter& operator=(const OtherWriter&) = delete;

    bool holdsLock() const { return m_holdsLock; }
    bool rollback();

private:
    sqlite3* m_db = nullptr;
    bool m_holdsLock = false;
};
} // namespace DbTestDatabase
