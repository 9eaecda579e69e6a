#pragma once

#include "common/core/AppError.h"
#include "db/Recordset.h"
#include "db/TsqlAdapter.h"

#include <QHash>
#include <QString>

#include <memory>

class QTimer;
struct sqlite3;
struct sqlite3_stmt;

// Which file a path names: device and inode.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    bool valid = false;
    bool operator==(const FileIdentity&) const = default;
};

// One connection to the embedded database file through the sqlite3 C API.
// Opening never creates a file. Every connection runs in WAL mode with a lock wait, enforces
// foreign keys and knows getdate() and yj_raise(message). Stored procedures are rows of
// sys_procedures(name, params, body): params "@A,@B" in order, body SQLite statements
// separated by ';' that use the parameters by name.
// A file moved away or replaced while open is noticed before and after every statement: the
// connection reports the lost link and, when closed, leaves the log at the path alone; the log
// the old file left is set aside before any connection opens the new file.
class SqliteDatabase {
public:
    static const QString Source;
    // After this long without a write the log is written into the file and emptied.
    static constexpr int IdleCheckpointMs = 3000;

    SqliteDatabase();
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    bool open(const QString& file, int busyTimeoutMs, AppError* error);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3* handle() const { return m_db; }
    QString file() const { return m_file; }

    // Runs the statements in order. Several statements, or a procedure, run as one unit:
    // a failure undoes what they wrote. The rows of the last statement that gave columns
    // come back (an empty recordset when none did), with the count of rows they wrote.
    RecordsetPtr execute(const QVector<AdaptedStatement>& statements, AppError* error);

    bool begin(AppError* error);
    bool commit(AppError* error);
    bool rollback(AppError* error);
    bool inTransaction() const;

private:
    sqlite3_stmt* prepare(const QString& sql, AppError* error);
    // The statement with its values as parameters (`values`), prepared once for them all; as
    // written (and `values` emptied) when it has none or that cannot be prepared.
    sqlite3_stmt* prepareWithValues(const AdaptedStatement& s, QVariantList* values, AppError* error);
    bool step(sqlite3_stmt* statement, bool keepRows, RecordsetPtr* rows, AppError* error);
    bool runSql(const AdaptedStatement& s, RecordsetPtr* rows, AppError* error);
    struct Procedure {
        QStringList params;     // "@A", "@B" in the order the call passes them
        QStringList statements; // the body, one statement each
    };
    bool findProcedure(const AdaptedStatement& call, Procedure* out, AppError* error);
    // `found` may be null: the procedure is then looked up here.
    bool runProcedure(const AdaptedStatement& call, const Procedure* found, RecordsetPtr* rows,
                      AppError* error);
    // True when none of the statements writes (a statement that does not prepare counts as writing).
    bool onlyReads(const QStringList& texts);
    // The same for a plain statement, prepared as runSql prepares it.
    bool onlyReads(const AdaptedStatement& s);
    bool execPlain(const char* sql, AppError* error);
    bool filePresent(AppError* error) const;
    // The error of an engine result code, with the code kept as the native code.
    AppError engineError(int code, const QString& message) const;
    AppError classify(int code, const QString& message) const;
    // Binds one parameter; a failure is an error, not a NULL in the value's place.
    bool bind(sqlite3_stmt* statement, int index, const QVariant& value, AppError* error);
    void clearCache();
    // A write happened: the idle checkpoint waits for the next quiet moment.
    void noteWrite();
    void checkpointIdleLog();

    sqlite3* m_db = nullptr;
    int m_busyTimeoutMs = 0;
    // In a thread with an event loop only (the program's): a tool without one empties the log
    // when it closes the connection.
    std::unique_ptr<QTimer> m_idleCheckpoint;
    QString m_file;
    FileIdentity m_identity;    // the file opened; a file put in its place is another one
    FileIdentity m_logIdentity; // its write-ahead log
    QHash<QString, sqlite3_stmt*> m_cache;
    QHash<QString, QStringList> m_bodies; // procedure body text -> its statements
    qint64 m_changes = 0;                 // rows written by the statements of one execute()
    struct SizeHint {
        size_t cells = 0;
        size_t bytes = 0;
    };
    QHash<sqlite3_stmt*, SizeHint> m_sizeHints; // what each cached statement gave last time
};
