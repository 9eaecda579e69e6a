#include "db/demo/DemoDatabase.h"

#include "common/core/AES.h"
#include "common/core/Clock.h"
#include "db/ConnectionString.h"
#include "db/demo/DemoCatalogue.h"
#include "db/demo/PinyinTable.h"

#include <QFile>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

// Resources of a static library must be registered by name from the global namespace.
void initDemoResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(demo);
        return true;
    }();
    Q_UNUSED(done);
}

namespace {

QString resourceText(const QString& name) {
    initDemoResources();
    QFile file(QStringLiteral(":/demo/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

const QString kIndexMarker = QStringLiteral("-- @indexes");

// Thin owner of the connection used for the bulk load.
class LoadConnection {
public:
    ~LoadConnection() { close(); }

    bool open(const QString& file) {
        if (sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK)
            return fail(QStringLiteral("打开数据库文件"));
        return true;
    }
    void close() {
        if (m_db)
            sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    bool exec(const QString& sql, const QString& what) {
        char* message = nullptr;
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
            m_error.number = sqlite3_errcode(m_db);
            m_error.description = what + QStringLiteral("：") + QString::fromUtf8(message ? message : "");
            m_error.source = QStringLiteral("DemoDatabase");
            sqlite3_free(message);
            return false;
        }
        return true;
    }
    sqlite3_stmt* prepare(const char* sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
            fail(QString::fromUtf8(sql).left(40));
            return nullptr;
        }
        return statement;
    }
    bool fail(const QString& what) {
        m_error.number = m_db ? sqlite3_errcode(m_db) : SQLITE_CANTOPEN;
        m_error.nativeCode = QString::number(m_db ? sqlite3_extended_errcode(m_db) : SQLITE_CANTOPEN);
        m_error.description =
            what + QStringLiteral("：") + QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "out of memory");
        m_error.source = QStringLiteral("DemoDatabase");
        return false;
    }
    const AppError& error() const { return m_error; }

private:
    sqlite3* m_db = nullptr;
    AppError m_error;
};

// A prepared insert: bind by position, then step.
class Insert {
public:
    Insert(LoadConnection& db, const char* sql) : m_db(db), m_statement(db.prepare(sql)) {}
    ~Insert() { sqlite3_finalize(m_statement); }
    Insert(const Insert&) = delete;
    Insert& operator=(const Insert&) = delete;

    bool ok() const { return m_statement != nullptr; }
    Insert& text(const char* value) {
        return bound(value ? sqlite3_bind_text(m_statement, ++m_index, value, -1, SQLITE_STATIC)
                           : sqlite3_bind_null(m_statement, ++m_index));
    }
    Insert& text(const std::string& value) {
        return bound(
            sqlite3_bind_text(m_statement, ++m_index, value.data(), int(value.size()), SQLITE_TRANSIENT));
    }
    Insert& integer(qint64 value) { return bound(sqlite3_bind_int64(m_statement, ++m_index, value)); }
    Insert& real(double value) { return bound(sqlite3_bind_double(m_statement, ++m_index, value)); }
    Insert& null() { return bound(sqlite3_bind_null(m_statement, ++m_index)); }
    bool run() {
        m_index = 0;
        // A value that was not bound would be stored as NULL: the row is refused instead.
        if (m_bindFailed) {
            m_bindFailed = false;
            sqlite3_clear_bindings(m_statement);
            return m_db.fail(QStringLiteral("绑定演示数据"));
        }
        const int rc = sqlite3_step(m_statement);
        sqlite3_reset(m_statement);
        if (rc != SQLITE_DONE)
            return m_db.fail(QStringLiteral("写入演示数据"));
        return true;
    }

private:
    LoadConnection& m_db;
    sqlite3_stmt* m_statement;
    int m_index = 0;
    bool m_bindFailed = false;

    Insert& bound(int rc) {
        m_bindFailed = m_bindFailed || rc != SQLITE_OK;
        return *this;
    }
};

std::string utf8(const QString& text) {
    return text.toStdString();
}

bool loadReferenceData(LoadConnection& db) {
    using namespace DemoCatalogue;
    const PinyinTable& pinyin = PinyinTable::shipped();
    bool ok = true;

    Insert user(db, "INSERT INTO userdb (username, password, group_name, IME, SearchType, ZSXM) "
                    "VALUES (?, ?, ?, ' 134481924', '拼音码', ?)");
    Insert store(db, "INSERT INTO Yf_sq (username, SQBH) VALUES (?, ?)");
    for (const User& u : users()) {
        ok = ok && user.text(u.name).text(kPassword).text(u.group).text(u.realName).run();
        if (u.store)
            ok = ok && store.text(u.name).text(u.store).run();
    }

    Insert right(db, "INSERT INTO QX_Temp2 (Groupname, MoudelKey, QX, BZ) VALUES (?, ?, ?, ?)");
    ok = ok && right.text("系统管理员").text("YJXT_IN").integer(1).text("进入医技管理").run();
    ok = ok && right.text("医技科室").text("YJXT_IN").integer(1).text("进入医技管理").run();
    ok = ok && right.text("收费处").text("YJXT_IN").integer(0).text("进入医技管理").run();
    ok = ok && right.text("系统管理员").text("YJXT_LOG").integer(1).text("医技操作日志查询").run();
    ok = ok && right.text("收费处").text("MZSF_IN").integer(1).text("进入门诊收费").run();
    ok = ok && right.text("系统管理员").text("MZSF_IN").integer(1).text("进入门诊收费").run();

    Insert config(db, "INSERT INTO QKZL_CONFIG (Item_Name, Item_Value, BZ) VALUES (?, ?, ?)");
    ok = ok && config.text("ZDFY").text("0").text("医技待执行单据自动刷新：1 关闭").run();
    ok = ok && config.text("ZDDY").text("0").text("收费后自动打印发票").run();

    Insert unit(db, "INSERT INTO HosPitalInfo (DWMC) VALUES (?)");
    ok = ok && unit.text(utf8(AES().AddMiMa(QString::fromUtf8(kHospitalName)))).run();

    Insert hz(db, "INSERT INTO GY_HZBM (HZ, PY) VALUES (?, ?)");
    for (const QChar c : pinyin.characters()) {
        if (!ok)
            break;
        ok = hz.text(utf8(QString(c))).text(utf8(QString(pinyin.initialOf(c)))).run();
    }

    Insert dictionary(
        db, "INSERT INTO DAGL_ZD (DM, DMMC, ZD_TYPE, Moudelname, BZ, xx) VALUES (?, ?, ?, ?, ?, ?)");
    Insert entry(db, "INSERT INTO CS (ControlID, DM, DMMC) VALUES (?, ?, ?)");
    int order = 0;
    for (const Dictionary& d : dictionaries()) {
        ok = ok && dictionary.text(d.code)
                       .text(d.name)
                       .text(d.type)
                       .text(d.module)
                       .text(d.remark)
                       .integer(++order)
                       .run();
        for (const char* e : d.entries)
            ok = ok && entry.text(d.code).text(utf8(pinyin.initialsOf(QString::fromUtf8(e)))).text(e).run();
    }

    Insert node(db, "INSERT INTO ZD_Tabel (ID, PID, Lavel, Sname, Ename) VALUES (?, ?, ?, ?, ?)");
    for (const TreeNode& n : windowTree())
        ok = ok && node.integer(n.id).integer(n.parent).integer(n.level).text(n.name).text(n.form).run();
    Insert link(db, "INSERT INTO ZD_LinkTable (FormName, ControlEname, ControlCname, LinkZD, XH) "
                    "VALUES (?, ?, ?, ?, ?)");
    int position = 0;
    for (const Link& l : links())
        ok = ok &&
             link.text(l.form).text(l.control).text(l.caption).text(l.dictionary).integer(++position).run();

    Insert item(db, "INSERT INTO YF_YPML (YPBM, YPMC, PYM, GG, DW, DJ, LX, ZXKS, KCL, SFJKC, CLB) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const Item& i : items()) {
        ok = ok && item.text(i.code)
                       .text(i.name)
                       .text(utf8(pinyin.initialsOf(QString::fromUtf8(i.name))))
                       .text(i.spec)
                       .text(i.unit)
                       .real(i.price)
                       .text(i.type)
                       .text(i.dept)
                       .real(i.stock)
                       .integer(i.reducesStock)
                       .integer(i.splitRatio)
                       .run();
    }
    return ok && user.ok();
}

// Documents over the days up to `today`, written in time order per day.
class DocumentWriter {
public:
    DocumentWriter(LoadConnection& db, const DemoOptions& options, const QDate& today)
        : m_rng(options.seed), m_today(today), m_documents(std::max(0, options.documents)),
          m_header(
              db, "INSERT INTO mz_kfdj (DH, MZH, XM, XB, NL, TS, KDYS, KDKS, KDRQ, ZJE, SFBZ, SFRQ, IsPrint) "
                  "VALUES (?, ?, ?, ?, ?, 1, ?, ?, ?, ?, ?, ?, ?)"),
          m_inHeader(db, "INSERT INTO ZY_KFDJ (DH, ZYH, CWH, XM, XB, NL, KDYS, KDKS, KDRQ, ZJE, IsPrint) "
                         "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
          m_item(db,
                 "INSERT INTO MZ_KFDJMX (DH, GroupYP, BM, PM, GG, DW, SL, DJ, SSJE, SFBZ, ZXBZ, ZXSJ, TYBZ) "
                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
          m_inItem(
              db, "INSERT INTO ZY_KFDJMX (DH, GroupYP, BM, PM, GG, DW, SL, DJ, SSJE, SFBZ, ZXBZ, ZXSJ, TYBZ) "
                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
          m_execution(db, "INSERT INTO MZ_YJZX (ZXDH, DH, ZXR, FHR, KSMC, XM, ZXSJ, SFZF, ZFR, ZFRQ) "
                          "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
          m_numbering(db, "INSERT INTO MZ_FYDJ (FYDH, DH, FYR, PYR, FYRQ) VALUES (?, ?, ?, ?, ?)") {
        for (const DemoCatalogue::Item& i : DemoCatalogue::items()) {
            const auto d =
                std::find_if(DemoCatalogue::departments().begin(), DemoCatalogue::departments().end(),
                             [&](const char* name) { return std::strcmp(name, i.dept) == 0; });
            const int index = d == DemoCatalogue::departments().end()
                                  ? kPharmacy
                                  : int(d - DemoCatalogue::departments().begin());
            m_byDept[index].push_back(&i);
        }
        for (const DemoCatalogue::User& u : DemoCatalogue::users()) {
            if (std::strcmp(u.group, "医技科室") == 0)
                m_staff.push_back(u.name);
        }
    }

    bool ok() const {
        return m_header.ok() && m_inHeader.ok() && m_item.ok() && m_inItem.ok() && m_execution.ok() &&
               m_numbering.ok();
    }

    bool run() {
        if (m_documents == 0)
            return true;
        const int days = std::max(4, (m_documents + 2999) / 3000);
        const int todayCount = days == 4 ? std::max(1, m_documents * 2 / 5) : m_documents / days;
        const int pastEach = (m_documents - todayCount) / (days - 1);
        int left = m_documents;
        for (int back = days - 1; back >= 0; --back) {
            const int count = back == 0 ? left : std::min(left, pastEach);
            left -= count;
            if (!writeDay(m_today.addDays(-back), back == 0, count))
                return false;
        }
        return true;
    }

private:
    static constexpr int kPharmacy = 5;
    static constexpr int kDeptCount = 6;

    struct ItemRow {
        const DemoCatalogue::Item* item;
        int dept;
        int group;
        double quantity;
    };

    int pick(int n) { return int(m_rng() % quint32(n)); }
    bool chance(int percent) { return pick(100) < percent; }

    std::string timeText(int seconds) const {
        seconds = std::clamp(seconds, 0, 86399);
        char buffer[12];
        std::snprintf(buffer, sizeof buffer, " %02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
        return m_day + buffer;
    }

    int pickDepartment() {
        static constexpr std::array<int, 5> weights{35, 15, 15, 10, 25};
        int roll = pick(100);
        for (int i = 0; i < 5; ++i) {
            if (roll < weights[i])
                return i;
            roll -= weights[i];
        }
        return 0;
    }

    bool writeDay(const QDate& date, bool isToday, int count) {
        m_day = utf8(date.toString(QStringLiteral("yyyy-MM-dd")));
        m_compact = utf8(date.toString(QStringLiteral("yyyyMMdd")));
        m_executionCounter = 0;
        for (int k = 0; k < count; ++k) {
            const int seconds = 27000 + int(qint64(36000) * k / std::max(1, count)) + pick(20);
            if (!writeDocument(k + 1, seconds, isToday))
                return false;
        }
        return true;
    }

    bool writeDocument(int serial, int seconds, bool isToday) {
        char number[16];
        std::snprintf(number, sizeof number, "%s%05d", m_compact.c_str(), serial);
        const std::string dh = number;
        const bool inpatient = chance(15);
        const std::string name =
            std::string(DemoCatalogue::surnames()[pick(int(DemoCatalogue::surnames().size()))]) +
            DemoCatalogue::givenNames()[pick(int(DemoCatalogue::givenNames().size()))];
        const char* sex = chance(50) ? "男" : "女";
        const std::string age = std::to_string(1 + pick(89)) + "岁";
        const char* doctor = DemoCatalogue::doctors()[pick(int(DemoCatalogue::doctors().size()))];
        const std::string written = timeText(seconds);

        // Departments on the document: one or two medical-technology ones, often with drugs.
        const int primary = pickDepartment();
        int secondary = chance(30) ? pickDepartment() : -1;
        if (secondary == primary)
            secondary = -1;
        const bool drugs = !inpatient && chance(40);
        const int itemCount = 6 + pick(9);
        std::vector<ItemRow> rows;
        rows.reserve(itemCount);
        const int drugCount = drugs ? 1 + pick(3) : 0;
        for (int i = 0; i < itemCount; ++i) {
            const int dept = i < drugCount ? kPharmacy : (secondary >= 0 && i % 3 == 2 ? secondary : primary);
            const auto& catalogue = m_byDept[dept];
            const DemoCatalogue::Item* item = catalogue[pick(int(catalogue.size()))];
            const double quantity = dept == kPharmacy || dept == 4 ? 1 + pick(3) : 1;
            rows.push_back({item, dept, 1 + i / 3, quantity});
        }

        const bool paid = inpatient || !chance(5);
        // Which departments have executed their part, and whether an execution was voided.
        std::array<bool, kDeptCount> executed{};
        std::array<bool, kDeptCount> voided{};
        std::array<int, kDeptCount> executedAt{};
        for (const ItemRow& r : rows) {
            if (executedAt[r.dept])
                continue;
            executedAt[r.dept] = std::min(86399, seconds + 600 + pick(6600));
            executed[r.dept] =
                paid && chance(r.dept == kPharmacy ? (isToday ? 50 : 100) : (isToday ? 30 : 90));
            voided[r.dept] = executed[r.dept] && !inpatient && r.dept != kPharmacy && chance(8);
        }

        double total = 0;
        Insert& itemInsert = inpatient ? m_inItem : m_item;
        for (const ItemRow& r : rows) {
            const double amount = r.item->price * r.quantity;
            total += amount;
            itemInsert.text(dh)
                .integer(r.group)
                .text(r.item->code)
                .text(r.item->name)
                .text(r.item->spec)
                .text(r.item->unit)
                .real(r.quantity)
                .real(r.item->price)
                .real(amount)
                .integer(paid ? 1 : 0)
                .integer(executed[r.dept] ? 1 : 0);
            if (executed[r.dept])
                itemInsert.text(timeText(executedAt[r.dept]));
            else
                itemInsert.null();
            if (!itemInsert.integer(voided[r.dept] ? 1 : 0).run())
                return false;
        }

        const int printRoll = pick(100);
        if (inpatient) {
            const std::string admission = "ZY" + m_compact.substr(2, 4) + std::to_string(1000 + pick(9000));
            const std::string bed = std::to_string(1 + pick(40)) + "床";
            m_inHeader.text(dh)
                .text(admission)
                .text(bed)
                .text(name)
                .text(sex)
                .text(age)
                .text(doctor)
                .text(DemoCatalogue::wards()[pick(int(DemoCatalogue::wards().size()))])
                .text(written)
                .real(total);
            if (printRoll < 50)
                m_inHeader.null();
            else
                m_inHeader.integer(printRoll < 75 ? 0 : 1);
            return m_inHeader.run();
        }

        m_header.text(dh)
            .text("MZ" + dh.substr(2))
            .text(name)
            .text(sex)
            .text(age)
            .text(doctor)
            .text(
                DemoCatalogue::orderingDepartments()[pick(int(DemoCatalogue::orderingDepartments().size()))])
            .text(written)
            .real(total)
            .integer(paid ? 1 : 0);
        if (paid)
            m_header.text(timeText(seconds + 120));
        else
            m_header.null();
        if (printRoll < 60)
            m_header.null();
        else
            m_header.integer(printRoll < 80 ? 0 : 1);
        if (!m_header.run())
            return false;

        for (int dept = 0; dept < kPharmacy; ++dept) {
            if (!executed[dept] || m_executionCounter >= 9999)
                continue;
            char execution[16];
            std::snprintf(execution, sizeof execution, "%s%04d", m_compact.c_str(), ++m_executionCounter);
            const char* executor = m_staff[pick(int(m_staff.size()))];
            const char* checker = m_staff[pick(int(m_staff.size()))];
            const std::string at = timeText(executedAt[dept]);
            m_execution.text(execution)
                .text(dh)
                .text(executor)
                .text(checker)
                .text(DemoCatalogue::departments()[dept])
                .text(name)
                .text(at)
                .integer(voided[dept] ? 1 : 0);
            if (voided[dept])
                m_execution.text(checker).text(timeText(executedAt[dept] + 1800));
            else
                m_execution.null().null();
            if (!m_execution.run() ||
                !m_numbering.text(execution).text(dh).text(executor).text(checker).text(at).run())
                return false;
        }
        return true;
    }

    std::mt19937 m_rng;
    QDate m_today;
    int m_documents;
    Insert m_header, m_inHeader, m_item, m_inItem, m_execution, m_numbering;
    std::array<std::vector<const DemoCatalogue::Item*>, kDeptCount> m_byDept;
    std::vector<const char*> m_staff;
    std::string m_day;
    std::string m_compact;
    int m_executionCounter = 0;
};

bool build(LoadConnection& db, const QString& dbFile, const DemoOptions& options) {
    const QString schema = DemoDatabase::schemaSql();
    const QString procedures = DemoDatabase::proceduresSql();
    const int marker = schema.indexOf(kIndexMarker);
    if (schema.isEmpty() || marker < 0 || procedures.isEmpty()) {
        db.fail(QStringLiteral("程序中没有数据库结构文件"));
        return false;
    }
    const QDate today = options.today.isValid() ? options.today : Clock::today();
    if (!db.open(dbFile))
        return false;
    // A bulk load needs no journal; the file is switched to WAL when it is complete.
    if (!db.exec(QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-200000;"
                                "PRAGMA temp_store=MEMORY; BEGIN"),
                 QStringLiteral("准备数据库")) ||
        !db.exec(schema.left(marker), QStringLiteral("建立数据表")) ||
        !db.exec(procedures, QStringLiteral("建立存储过程")) || !loadReferenceData(db))
        return false;
    DocumentWriter writer(db, options, today);
    if (!writer.ok() || !writer.run())
        return false;
    return db.exec(QStringLiteral("COMMIT"), QStringLiteral("提交演示数据")) &&
           db.exec(schema.mid(marker), QStringLiteral("建立索引")) &&
           db.exec(QStringLiteral("ANALYZE; PRAGMA journal_mode=WAL"), QStringLiteral("切换日志模式"));
}

} // namespace

bool DemoDatabase::create(const QString& dbFile, const DemoOptions& options, AppError* error) {
    for (const QString& suffix :
         {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")})
        QFile::remove(dbFile + suffix);
    LoadConnection db;
    if (build(db, dbFile, options))
        return true;
    if (error)
        *error = db.error();
    db.close();
    QFile::remove(dbFile);
    return false;
}

QString DemoDatabase::schemaSql() {
    return resourceText(QStringLiteral("sqlite/schema.sql"));
}
QString DemoDatabase::proceduresSql() {
    return resourceText(QStringLiteral("sqlite/procedures.sql"));
}
QString DemoDatabase::sqlServerSchemaSql() {
    return resourceText(QStringLiteral("sqlserver/schema.sql"));
}
QString DemoDatabase::sqlServerProceduresSql() {
    return resourceText(QStringLiteral("sqlserver/procedures.sql"));
}

QString DemoDatabase::postgresSchemaSql() {
    return resourceText(QStringLiteral("postgresql/schema.sql"));
}
QString DemoDatabase::postgresProceduresSql() {
    return resourceText(QStringLiteral("postgresql/procedures.sql"));
}

QStringList DemoDatabase::departments() {
    QStringList names;
    for (const char* name : DemoCatalogue::departments())
        names << QString::fromUtf8(name);
    return names;
}

QString DemoDatabase::hospitalName() {
    return QString::fromUtf8(DemoCatalogue::kHospitalName);
}
QString DemoDatabase::defaultPassword() {
    return QString::fromUtf8(DemoCatalogue::kPassword);
}
QString DemoDatabase::userWithoutRight() {
    return QString::fromUtf8(DemoCatalogue::kUserWithoutRight);
}

bool installAuditOnServer(const QString& connectionString, bool* added, AppError* error);

QString DemoDatabase::auditSql(const QString& engine) {
    const QString schema = resourceText(engine + QStringLiteral("/schema.sql"));
    const qsizetype marker = schema.indexOf(QStringLiteral("-- @audit"));
    return marker < 0 ? QString() : schema.mid(marker);
}

bool DemoDatabase::installAuditTrail(const QString& connectionString, bool* added, AppError* error) {
    *added = false;
    const ConnectionString cs = ConnectionString::parse(connectionString);
    if (cs.kind() == ConnectionString::Kind::PostgreSQL)
        return installAuditOnServer(connectionString, added, error);
    if (cs.kind() != ConnectionString::Kind::SQLite) {
        if (error)
            *error = {1,
                      QStringLiteral(
                          "SQL Server 数据库请在 SQL Server 的查询工具中运行 schema/sqlserver/schema.sql 中 "
                          "“-- @audit”以后的部分（各批以 GO 分开）。"),
                      QStringLiteral("DemoDatabase")};
        return false;
    }
    sqlite3* db = nullptr;
    const auto fail = [&](const QString& what) {
        if (error)
            *error = {db ? sqlite3_errcode(db) : 1,
                      what + QStringLiteral("：") + QString::fromUtf8(db ? sqlite3_errmsg(db) : ""),
                      QStringLiteral("DemoDatabase")};
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(db);
        return false;
    };
    // An existing database only: a wrong file name must not make an empty one.
    if (sqlite3_open_v2(cs.sqliteFile().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        return fail(QStringLiteral("打开数据库文件"));
    sqlite3_busy_timeout(db, 10000);
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(QStringLiteral("开始事务"));
    sqlite3_stmt* there = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'YJGL_LOG'", -1,
                           &there, nullptr) != SQLITE_OK)
        return fail(QStringLiteral("查看数据表"));
    const bool exists = sqlite3_step(there) == SQLITE_ROW;
    sqlite3_finalize(there);
    if (!exists && sqlite3_exec(db, auditSql(QStringLiteral("sqlite")).toUtf8().constData(), nullptr, nullptr,
                                nullptr) != SQLITE_OK)
        return fail(QStringLiteral("建立操作日志表"));
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(QStringLiteral("提交"));
    sqlite3_close_v2(db);
    *added = !exists;
    return true;
}
