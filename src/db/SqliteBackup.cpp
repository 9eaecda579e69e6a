#include "db/SqliteBackup.h"

#include "db/DbErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cstdio>

namespace {

const QString Source = QStringLiteral("yjgl 数据库备份");

QString native(const QString& file) {
    return QDir::toNativeSeparators(file);
}

bool fail(AppError* error, const QString& description) {
    *error = DbError::make(DbError::StatementFailed, description, Source);
    return false;
}

// Closes the handle on every way out.
class Handle {
public:
    ~Handle() { sqlite3_close_v2(m_db); }
    bool open(const QString& file, int flags) {
        return sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, flags, nullptr) == SQLITE_OK;
    }
    sqlite3* get() const { return m_db; }
    QString message() const {
        return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
    }
    // The first column of the first row, or empty text with `ok` false when the statement failed.
    QString scalar(const char* sql, bool* ok) const {
        sqlite3_stmt* statement = nullptr;
        QString value;
        *ok = sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) == SQLITE_OK;
        if (*ok) {
            const int rc = sqlite3_step(statement);
            *ok = rc == SQLITE_ROW || rc == SQLITE_DONE;
            if (rc == SQLITE_ROW && sqlite3_column_text(statement, 0))
                value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        }
        sqlite3_finalize(statement);
        return value;
    }
    bool sound() const {
        bool ok = false;
        return scalar("PRAGMA quick_check", &ok) == QStringLiteral("ok") && ok;
    }

private:
    sqlite3* m_db = nullptr;
};

bool regularFile(const QString& file) {
    const QFileInfo info(file);
    return info.exists() && info.isFile() && !info.isSymLink() && info.size() > 0;
}

// One pass of the backup interface from `from` into `to`.
bool copyPages(const Handle& from, const Handle& to, QString* message) {
    sqlite3_backup* backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
    if (!backup) {
        *message = to.message();
        return false;
    }
    const int rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        *message = rc == SQLITE_BUSY || rc == SQLITE_LOCKED ? QStringLiteral("数据库正被锁定")
                                                            : QString::fromUtf8(sqlite3_errstr(rc));
        return false;
    }
    return true;
}

} // namespace

namespace SqliteBackup {

bool backup(const QString& database, const QString& target, AppError* error) {
    if (!regularFile(database))
        return fail(error, QStringLiteral("数据库文件“%1”不存在或不是普通文件。").arg(native(database)));
    if (QFileInfo(target).absoluteFilePath() == QFileInfo(database).absoluteFilePath())
        return fail(error, QStringLiteral("备份文件不能是数据库文件本身。"));
    Handle from;
    if (!from.open(database, SQLITE_OPEN_READWRITE))
        return fail(error, QStringLiteral("无法打开数据库“%1”：%2").arg(native(database), from.message()));
    sqlite3_busy_timeout(from.get(), 10000);
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    bool done = false;
    QString message;
    {
        Handle to;
        if (to.open(part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) && copyPages(from, to, &message)) {
            // A copy in one file: no log beside it when it is restored or sent away.
            bool ok = false;
            done = to.scalar("PRAGMA journal_mode=DELETE", &ok) == QStringLiteral("delete") && to.sound();
            if (!done)
                message = QStringLiteral("备份副本检查未通过");
        } else if (message.isEmpty()) {
            message = to.message();
        }
    }
    if (!done ||
        std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(part);
        return fail(error,
                    QStringLiteral("备份到“%1”失败：%2")
                        .arg(native(target), message.isEmpty() ? QStringLiteral("无法改名") : message));
    }
    return true;
}

bool openElsewhere(const QString& database) {
    Handle db;
    if (!db.open(database, SQLITE_OPEN_READWRITE))
        return false; // no database at all: nobody has it open
    // Leaving the log mode needs the database to itself, as in the restore.
    bool ok = false;
    db.scalar("PRAGMA locking_mode=EXCLUSIVE", &ok);
    const QString mode = db.scalar("PRAGMA journal_mode=DELETE", &ok);
    if (ok)
        return mode != QStringLiteral("delete");
    // A file that is no database is nobody's: only a lock says someone is there.
    const int code = sqlite3_errcode(db.get()) & 0xff;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

bool restore(const QString& database, const QString& source, AppError* error) {
    if (!regularFile(source))
        return fail(error, QStringLiteral("备份文件“%1”不存在或不是普通文件。").arg(native(source)));
    if (!regularFile(database))
        return fail(error, QStringLiteral("数据库文件“%1”不存在或不是普通文件。").arg(native(database)));
    if (QFileInfo(source).canonicalFilePath() == QFileInfo(database).canonicalFilePath())
        return fail(error,
                    QStringLiteral("“%1”就是数据库文件本身，不是备份，没有恢复。").arg(native(source)));
    Handle from;
    if (!from.open(source, SQLITE_OPEN_READONLY) || !from.sound())
        return fail(error, QStringLiteral("“%1”不是完好的数据库文件，没有恢复。").arg(native(source)));

    Handle to;
    if (!to.open(database, SQLITE_OPEN_READWRITE))
        return fail(error, QStringLiteral("无法打开数据库“%1”：%2").arg(native(database), to.message()));
    // Leaving the log mode needs the database to itself: a workstation that has it open keeps
    // it from us. The lock is then held until the copy is in.
    bool ok = false;
    to.scalar("PRAGMA locking_mode=EXCLUSIVE", &ok);
    if (to.scalar("PRAGMA journal_mode=DELETE", &ok) != QStringLiteral("delete") || !ok)
        return fail(error,
                    QStringLiteral("数据库“%1”正被其他程序使用，没有恢复。请先让所有工作站退出医技管理，"
                                   "再恢复。")
                        .arg(native(database)));
    QString message;
    if (!copyPages(from, to, &message))
        return fail(error, QStringLiteral("恢复“%1”失败，数据库没有改变：%2").arg(native(database), message));
    if (!to.sound())
        return fail(error, QStringLiteral("恢复后的数据库“%1”检查未通过。").arg(native(database)));
    return true;
}

} // namespace SqliteBackup
