#include "DbTestDatabase.h"

#include <sqlite3.h>

namespace DbTestDatabase {

bool run(const QString& file, const QStringList& statements) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    sqlite3_busy_timeout(db, 2000);
    bool ok = true;
    QStringList all = statements;
    if (all.size() > 1) { // one commit instead of one per statement
        all.prepend(QStringLiteral("BEGIN"));
        all.append(QStringLiteral("COMMIT"));
    }
    for (const QString& s : all) {
        char* message = nullptr;
        if (sqlite3_exec(db, s.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
            qWarning("%s: %s", qPrintable(s), message);
            sqlite3_free(message);
            ok = false;
            break;
        }
    }
    sqlite3_close(db);
    return ok;
}

OtherWriter::OtherWriter(const QString& file, const QString& write) {
    if (sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return;
    m_holdsLock = sqlite3_exec(m_db, ("BEGIN IMMEDIATE; " + write).toUtf8().constData(), nullptr, nullptr,
                               nullptr) == SQLITE_OK;
}

OtherWriter::~OtherWriter() {
    rollback();
    sqlite3_close(m_db);
}

bool OtherWriter::rollback() {
    if (!m_holdsLock)
        return false;
    m_holdsLock = false;
    return sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString scalar(const QString& file, const QString& sql) {
    sqlite3* db = nullptr;
    QString value;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0))
            value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return value;
}

QString create(const QString& file, int busyTimeoutMs) {
    const QStringList schema = {
        "CREATE TABLE sysobjects(name TEXT)",
        "INSERT INTO sysobjects VALUES('sysobjects')",
        "CREATE TABLE CS(id INTEGER PRIMARY KEY AUTOINCREMENT, ControlID TEXT COLLATE NOCASE, "
        "DM TEXT COLLATE NOCASE, DMMC TEXT COLLATE NOCASE)",
        "CREATE TABLE DAGL_ZD(DM TEXT PRIMARY KEY COLLATE NOCASE, DMMC TEXT COLLATE NOCASE, ZD_TYPE TEXT)",
        "CREATE TABLE MZ_KFDJMX(id INTEGER PRIMARY KEY AUTOINCREMENT, DH TEXT NOT NULL COLLATE NOCASE, "
        "BM TEXT COLLATE NOCASE, PM TEXT, SL REAL, DJ REAL, TYBZ INTEGER NOT NULL DEFAULT 0, "
        "ZXBZ INTEGER NOT NULL DEFAULT 0)",
        "CREATE TABLE YF_YPML(YPBM TEXT PRIMARY KEY COLLATE NOCASE, ZXKS TEXT COLLATE NOCASE)",
        "CREATE TABLE MZ_YJZX(id INTEGER PRIMARY KEY AUTOINCREMENT, ZXDH TEXT, DH TEXT COLLATE NOCASE, "
        "ZXR TEXT, FHR TEXT, KSMC TEXT COLLATE NOCASE, XM TEXT, ZXSJ TEXT DEFAULT (datetime('now', "
        "'localtime')), "
        "SFZF INTEGER NOT NULL DEFAULT 0, ZFR TEXT, ZFRQ TEXT)",
        "CREATE TABLE sys_procedures(name TEXT PRIMARY KEY COLLATE NOCASE, params TEXT NOT NULL, body TEXT "
        "NOT NULL)",
        // Pending items of a department: the rows of the last select come back.
        "INSERT INTO sys_procedures VALUES('Get_YJMX', '@KSMC,@DH', "
        "'SELECT count(*) AS n FROM MZ_KFDJMX; "
        "SELECT A.BM, A.PM, A.SL FROM MZ_KFDJMX A JOIN YF_YPML B ON A.BM = B.YPBM "
        "WHERE B.ZXKS = @KSMC AND A.DH = @dh AND A.ZXBZ = 0 ORDER BY A.id')",
        // Marks the department's items executed; fails (undoing its writes) when none was left.
        "INSERT INTO sys_procedures VALUES('P_YJZX', '@DH,@KSMC', "
        "'UPDATE MZ_KFDJMX SET ZXBZ = 1 WHERE DH = @DH AND ZXBZ = 0 AND BM IN "
        "(SELECT YPBM FROM YF_YPML WHERE ZXKS = @KSMC); "
        "SELECT yj_raise(''该单据已执行，不能重复执行！'') WHERE changes() = 0')",
        "INSERT INTO YF_YPML VALUES('X001','检验科'),('X002','检验科'),('F001','放射科')",
        "INSERT INTO MZ_KFDJMX(DH,BM,PM,SL,DJ) VALUES('D1','X001','血常规',1,12.5),('D1','F001','胸片',1,80),"
        "('D1','x002','尿常规',2,5),('D2','X001','血常规',1,12.5)",
        "INSERT INTO DAGL_ZD VALUES('ZXKS','执行科室','1')",
        "INSERT INTO CS(ControlID,DM,DMMC) VALUES('ZXKS','JYK','检验科'),('ZXKS','FSK','放射科')",
    };
    if (!run(file, schema))
        return {};
    return QStringLiteral("Provider=SQLite;Data Source=%1;Busy Timeout=%2;").arg(file).arg(busyTimeoutMs);
}

} // namespace DbTestDatabase
