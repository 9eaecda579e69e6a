// The pending list and the execution against their goals, on a large hospital database:
//   execution_bench DIR [--runs N] [--warmup N] [--goal NAME]... [--storage ram]
// DIR holds hospital.db, made with "yjgl-admin init-demo DIR --documents 1000000". The bench
// adds departments of its own whose pending documents it knows (topped up on every run):
//   基准科     500 pending today;
//   基准小科   50 pending on a day with 30,000 documents of other departments, 50 on one with 3,000;
//   基准大科   32,767 pending on one day.
// The statement of the schema before the pending-item indexes runs on a copy of the file that
// has that schema's indexes and procedure (in a temporary folder). Every goal prints the
// min/median/max of both sides and the line "NAME ratio R limit L"; the exit code is 1 when a
// ratio is over its limit. "--storage ram" tells that DIR is on a RAM disk: the execution's line
// is then execution_ram.
#include "bench/BaselineSchema.h"
#include "bench/BenchSupport.h"
#include "common/SpreadGrid.h"
#include "common/core/Clock.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/StatementHelpers.h"
#include "db/audit/AuditTrail.h"
#include "execution/Mz_CKFY.h"
#include "execution/core/ExecutionService.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

using bench::BareSqlite;
using bench::out;

namespace {

const QString kDept = QStringLiteral("基准科");
const QString kSmallDept = QStringLiteral("基准小科");
const QString kLargeDept = QStringLiteral("基准大科");
constexpr int kPending = 500;
constexpr int kFew = 50;
constexpr int kBusyDay = 30000;
constexpr int kMany = 32767;

// Every box answers with its default (OK); the bench counts the ones that are not success.
class QuietMessages : public IMessageService {
public:
    MsgAnswer show(const QString&, const QString& text, MsgIcon, MsgButtons,
                   MsgAnswer defaultAnswer) override {
        if (text != QStringLiteral("执行成功。")) {
            ++failures;
            last = text;
        }
        return defaultAnswer;
    }
    int failures = 0;
    QString last;
};

// The bare side's list: the rows as read, each cell's text for the display role.
class PlainModel : public QAbstractTableModel {
public:
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        return m_rows.at(index.row()).value(index.column());
    }
    void setRows(QVector<QStringList> rows) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }

private:
    QVector<QStringList> m_rows;
};

QString day(const QDate& d) {
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

QString quoted(const QString& s) {
    return QLatin1Char('\'') + QString(s).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

// A number unique to this run, for document and execution numbers.
QString runTag() {
    return QString::number(QDateTime::currentMSecsSinceEpoch() % 2176782336LL, 36).rightJustified(6, u'0');
}

// The bench's data: its catalogue items and the pending documents it measures.
class BenchData {
public:
    BenchData(BareSqlite& db, const QDate& today) : m_db(db), m_today(today), m_tag(runTag()) {}

    bool prepare() {
        return m_db.exec(QStringLiteral("BEGIN IMMEDIATE")) && item(QStringLiteral("BENCH01"), kDept) &&
               item(QStringLiteral("BENCH02"), kSmallDept) && item(QStringLiteral("BENCH03"), kLargeDept) &&
               pending(QStringLiteral("BENCH01"), m_today, kPending, QStringLiteral("BA")) &&
               pending(QStringLiteral("BENCH02"), busyDay(), kFew, QStringLiteral("BS")) &&
               pending(QStringLiteral("BENCH02"), quietDay(), kFew, QStringLiteral("BQ")) &&
               pending(QStringLiteral("BENCH03"), largeDay(), kMany, QStringLiteral("BL")) &&
               otherDocuments(busyDay(), kBusyDay) && m_db.exec(QStringLiteral("COMMIT")) &&
               m_db.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }

    QDate busyDay() const { return m_today.addDays(-2); }
    QDate quietDay() const { return m_today.addDays(-3); }
    QDate largeDay() const { return m_today.addDays(-4); }

    // Documents of the day that are not the bench's own.
    int othersOn(const QDate& d) {
        const QString range =
            QStringLiteral(" WHERE KDRQ BETWEEN '%1 00:00:00' AND '%1 23:59:59' AND DH NOT LIKE 'B%'")
                .arg(day(d));
        return m_db
            .value(QStringLiteral("SELECT (SELECT count(*) FROM mz_kfdj") + range +
                   QStringLiteral(") + (SELECT count(*) FROM ZY_KFDJ") + range + QLatin1Char(')'))
            .toInt();
    }

private:
    bool item(const QString& code, const QString& dept) {
        return m_db.exec(
            QStringLiteral("INSERT OR IGNORE INTO YF_YPML (YPBM, YPMC, GG, DW, DJ, LX, ZXKS, KCL, SFJKC, "
                           "CLB) VALUES (%1, '基准检查', '次', '次', 10, '检查', %2, 0, 0, 1)")
                .arg(quoted(code), quoted(dept)));
    }

    // Tops the department's pending documents of the day up to `want`.
    bool pending(const QString& code, const QDate& d, int want, const QString& prefix) {
        const int have =
            m_db.value(QStringLiteral(
                           "SELECT count(DISTINCT B.DH) FROM MZ_KFDJMX B JOIN mz_kfdj A ON A.DH = B.DH "
                           "WHERE B.BM = %1 AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 "
                           "AND A.KDRQ BETWEEN '%2 00:00:00' AND '%2 23:59:59'")
                           .arg(quoted(code), day(d)))
                .toInt();
        if (have >= want)
            return true;
        const QString numbers =
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE "
                           "i < %1) ")
                .arg(want - have - 1);
        const QString dh = QStringLiteral("printf('%1%2%06d', i)").arg(prefix, m_tag);
        return m_db.exec(numbers +
                         QStringLiteral("INSERT INTO mz_kfdj (DH, XM, XB, NL, KDYS, KDRQ, SFBZ) SELECT ") +
                         dh +
                         QStringLiteral(", '基准患者', '女', '30岁', '基准医生', printf('%1 %02d:%02d:%02d', "
                                        "8 + i / 3600 % 12, i / 60 % 60, i % 60), 1 FROM n")
                             .arg(day(d))) &&
               m_db.exec(
                   numbers +
                   QStringLiteral(
                       "INSERT INTO MZ_KFDJMX (DH, GroupYP, BM, PM, GG, DW, SL, DJ, SSJE, SFBZ) SELECT ") +
                   dh +
                   QStringLiteral(", 1, %1, '基准检查', '次', '次', 1, 10, 10, 1 FROM n").arg(quoted(code)));
    }

    // Tops the day up to `want` documents of the demo departments, three items each, most pending.
    bool otherDocuments(const QDate& d, int want) {
        const int missing = want - othersOn(d);
        if (missing <= 0)
            return true;
        const QString prefix =
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE "
                           "i < %1), cat AS (SELECT YPBM, row_number() OVER (ORDER BY YPBM) - 1 AS "
                           "r FROM YF_YPML WHERE YPBM NOT LIKE 'BENCH%%') ")
                .arg(missing - 1);
        const QString dh = QStringLiteral("printf('F%1%06d', i)").arg(m_tag);
        return m_db.exec(prefix +
                         QStringLiteral("INSERT INTO mz_kfdj (DH, XM, XB, NL, KDYS, KDRQ, SFBZ) SELECT ") +
                         dh +
                         QStringLiteral(", '其他患者', '男', '40岁', '其他医生', printf('%1 %02d:%02d:%02d', "
                                        "7 + i / 3 / 3600 % 12, i / 3 / 60 % 60, i / 3 % 60), 1 FROM n")
                             .arg(day(d))) &&
               m_db.exec(
                   prefix +
                   QStringLiteral(", j(k) AS (VALUES (0), (1), (2)) INSERT INTO MZ_KFDJMX (DH, GroupYP, BM, "
                                  "SL, DJ, SSJE, SFBZ, ZXBZ) SELECT ") +
                   dh +
                   QStringLiteral(
                       ", 1, (SELECT YPBM FROM cat WHERE r = (i * 7 + k * 13) % (SELECT count(*) FROM "
                       "cat)), 1, 10, 10, 1, (i * 3 + k) % 10 < 3 FROM n, j"));
    }

    BareSqlite& m_db;
    QDate m_today;
    QString m_tag;
};

QString simplified(const QString& sql) {
    return sql.simplified().remove(QLatin1Char(';'));
}

// Turns a copy of the database into the schema before the pending-item indexes: its indexes,
// and its YJ_List.
bool makeBaseline(const QString& file) {
    BareSqlite db(file);
    QStringList wanted;
    for (const char* sql : BaselineSchema::kIndexes)
        wanted << simplified(QString::fromUtf8(sql));
    QStringList present;
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db.handle(),
                       "SELECT name, sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL", -1, &s,
                       nullptr);
    QStringList drop;
    while (sqlite3_step(s) == SQLITE_ROW) {
        const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        const QString sql =
            simplified(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 1))));
        if (wanted.contains(sql))
            present << sql;
        else
            drop << name;
    }
    sqlite3_finalize(s);
    bool ok = true;
    for (const QString& name : drop)
        ok = ok && db.exec(QStringLiteral("DROP INDEX ") + name);
    for (const QString& sql : wanted)
        if (!present.contains(sql))
            ok = ok && db.exec(sql) &&
                 db.exec(QStringLiteral("ANALYZE ") + sql.section(QLatin1Char(' '),
                                                                  sql.contains("UNIQUE") ? 3 : 2,
                                                                  sql.contains("UNIQUE") ? 3 : 2));
    return ok &&
           db.exec(QStringLiteral("UPDATE sys_procedures SET params = %1, body = %2 WHERE name = 'YJ_List'")
                       .arg(quoted(QString::fromUtf8(BaselineSchema::kYjListParams)),
                            quoted(QString::fromUtf8(BaselineSchema::kYjListBody))));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bench::Arguments args(app.arguments());
    if (args.words().isEmpty()) {
        out() << "usage: execution_bench DIR [--runs N] [--warmup N] [--goal NAME]... [--storage ram]"
              << Qt::endl;
        return 2;
    }
    const int runs = args.number(QStringLiteral("--runs"), 21, 1);
    const int warmup = args.number(QStringLiteral("--warmup"), 3);
    const QStringList goals = args.values(QStringLiteral("--goal")); // all when none is named
    // With the database on a RAM disk the processor's share shows: the execution has its own
    // line and limit there.
    const bool onRamDisk = args.values(QStringLiteral("--storage")).contains(QStringLiteral("ram"));
    const QString dir = args.words().first();
    const QString file = QFileInfo(QDir(dir).filePath(QStringLiteral("hospital.db"))).absoluteFilePath();
    if (!QFileInfo::exists(file)) {
        out() << file << " is missing: run yjgl-admin init-demo " << dir << " --documents 1000000"
              << Qt::endl;
        return 2;
    }

    const QDate today = Clock::today();
    BareSqlite bare(file);
    BenchData data(bare, today);
    QElapsedTimer setup;
    setup.start();
    if (!data.prepare())
        return 1;
    out() << "database " << file << ": " << bare.value(QStringLiteral("SELECT count(*) FROM mz_kfdj"))
          << " + " << bare.value(QStringLiteral("SELECT count(*) FROM ZY_KFDJ"))
          << " documents; other departments' documents on " << day(data.busyDay()) << ": "
          << data.othersOn(data.busyDay()) << ", on " << day(data.quietDay()) << ": "
          << data.othersOn(data.quietDay()) << ", today: " << data.othersOn(today) << " (prepared in "
          << setup.elapsed() << " ms)" << Qt::endl;

    const auto wanted = [&](const QString& goal) { return goals.isEmpty() || goals.contains(goal); };
    QTemporaryDir baselineDir;
    std::unique_ptr<BareSqlite> before;
    if (wanted(QStringLiteral("statement_500_vs_before"))) {
        const QString baselineFile = baselineDir.filePath(QStringLiteral("baseline.db"));
        setup.restart();
        if (!QFile::copy(file, baselineFile) || !makeBaseline(baselineFile)) {
            out() << "cannot make the baseline copy in " << baselineDir.path() << Qt::endl;
            return 1;
        }
        out() << "baseline copy with the indexes and YJ_List before the pending-item indexes made in "
              << setup.elapsed() << " ms" << Qt::endl;
        before = std::make_unique<BareSqlite>(baselineFile);
    }

    resetGlobalConnection(QStringLiteral("Provider=SQLite;Data Source=") + file + QLatin1Char(';'));
    AppError error;
    if (!gConn->open(&error)) {
        out() << "cannot open " << file << ": " << error.description << Qt::endl;
        return 1;
    }
    QuietMessages messages;
    Messages::install(&messages);
    currentUser().GetUserName = QStringLiteral("基准用户");
    gExecDept = kDept;

    const auto list = bare.procedure(QStringLiteral("YJ_List"));
    const auto listBefore = before ? before->procedure(QStringLiteral("YJ_List")) : BareSqlite::Unit{};
    const auto period = [](const QString& dept, const QDate& from, const QDate& to) {
        return QStringList{dept, day(from) + QStringLiteral(" 00:00:00"),
                           day(to) + QStringLiteral(" 23:59:59")};
    };
    const auto statement = [&](BareSqlite& db, const BareSqlite::Unit& unit, const QStringList& values,
                               long rows) {
        return [&db, &unit, values, rows](int) { return db.run(unit, values) == rows; };
    };
    // The statements of a few hundred rows take under a millisecond and vary most: they get
    // more runs. So does the execution, whose commit waits for the disk a varying time; it takes
    // as many of the pending documents as there are.
    const int shortRuns = runs * 15;
    bool met = true;

    // 1. The statement against the statement of the schema before, both on the bare API.
    const QStringList todays = period(kDept, today, today);
    if (wanted(QStringLiteral("statement_500_vs_before")))
        met &= bench::reportGoal(
            QStringLiteral("statement_500_vs_before"),
            QStringLiteral("exec YJ_List, %1 pending today, against the schema before").arg(kPending),
            QStringLiteral("YJ_List"), QStringLiteral("YJ_List of the schema before"),
            bench::alternate(warmup, runs, statement(bare, list, todays, kPending),
                             statement(*before, listBefore, todays, kPending)),
            0.7);

    // 2. The same 50 pending among 30,000 and among 3,000 documents of the day.
    if (wanted(QStringLiteral("statement_50_among_30000")))
        met &= bench::reportGoal(
            QStringLiteral("statement_50_among_30000"),
            QStringLiteral("exec YJ_List, %1 pending among %2 and among %3 documents of other departments")
                .arg(kFew)
                .arg(data.othersOn(data.busyDay()))
                .arg(data.othersOn(data.quietDay())),
            QStringLiteral("among 30,000"), QStringLiteral("among 3,000"),
            bench::alternate(
                warmup, shortRuns,
                statement(bare, list, period(kSmallDept, data.busyDay(), data.busyDay()), kFew),
                statement(bare, list, period(kSmallDept, data.quietDay(), data.quietDay()), kFew)),
            1.5);

    // 3. The window's refresh (statement through the client layer, grid fill, repaint)
    // against the same statement on the bare API.
    auto* window = new Mz_CKFY;
    window->resize(1280, 800);
    window->show();
    window->findChild<QTimer*>(QStringLiteral("Timer1"))->stop(); // the bench refreshes on its own
    QCoreApplication::processEvents();
    auto* grid = window->findChild<SpreadGrid*>(QStringLiteral("fpSpread1"));
    auto* from = window->findChild<QDateEdit*>(QStringLiteral("S_D"));
    auto* to = window->findChild<QDateEdit*>(QStringLiteral("E_D"));
    const auto refresh = [&](int rows) {
        return [&, rows](int) {
            window->RefreshDJList();
            QCoreApplication::processEvents(); // the grid's repaint belongs to the refresh
            return grid->maxRows() == rows && messages.failures == 0;
        };
    };
    // The bare side reads the cells the window shows (DH, XM, LX) into strings; for a changed
    // list it also shows them in a plain QTableView over a plain model, as big as the grid.
    QTableView plainView;
    PlainModel plainModel;
    plainView.setModel(&plainModel);
    plainView.resize(grid->size());
    plainView.show();
    const auto read = [&](const QStringList& values, long rows, bool show) {
        return [&, values, rows, show](int) {
            QVector<QStringList> cells;
            if (bare.runInto(list, values, 3, &cells) != rows)
                return false;
            if (show) {
                plainModel.setRows(std::move(cells));
                QCoreApplication::processEvents();
            }
            return true;
        };
    };
    // A changed list: before each run the window shows another department's (empty) list,
    // untimed, so that the refresh reads the whole result, fills the grid and paints it.
    const auto changeList = [&](const QString& dept) {
        return [&, dept] {
            gExecDept = QStringLiteral("基准空科");
            window->RefreshDJList();
            QCoreApplication::processEvents();
            gExecDept = dept;
        };
    };
    const auto refreshPair = [&](const QString& name, const QString& title, int rows,
                                 const QStringList& values, bool changed, int runCount, double limit) {
        if (!wanted(name))
            return;
        met &=
            bench::reportGoal(name, title, QStringLiteral("RefreshDJList"),
                              changed ? QStringLiteral("bare API into strings + plain QTableView")
                                      : QStringLiteral("bare API into strings"),
                              bench::alternate(warmup, runCount, refresh(rows), read(values, rows, changed),
                                               changed ? std::function<void()>(changeList(gExecDept))
                                                       : std::function<void()>()),
                              limit);
    };
    refreshPair(QStringLiteral("refresh_500"),
                QStringLiteral("RefreshDJList, %1 pending today, unchanged").arg(kPending), kPending, todays,
                false, shortRuns, 1.1);
    refreshPair(QStringLiteral("changed_refresh_500"),
                QStringLiteral("RefreshDJList, %1 pending today, changed list").arg(kPending), kPending,
                todays, true, shortRuns, 2.0);

    gExecDept = kLargeDept;
    from->setDate(data.largeDay());
    to->setDate(data.largeDay());
    const QStringList large = period(kLargeDept, data.largeDay(), data.largeDay());
    refreshPair(QStringLiteral("refresh_32767"),
                QStringLiteral("RefreshDJList, %1 pending on one day, unchanged").arg(kMany), kMany, large,
                false, runs, 1.15);
    refreshPair(QStringLiteral("changed_refresh_32767"),
                QStringLiteral("RefreshDJList, %1 pending on one day, changed list").arg(kMany), kMany, large,
                true, runs, 1.3);
    if (messages.failures > 0)
        out() << "message shown: " << messages.last << Qt::endl;

    // 4. One execution: ExecuteDocument with the shown number against the statements it sends
    // (the number check, the record, P_YJZX, in one transaction) on the bare API. The two sides
    // take turns along today's pending documents.
    gExecDept = kDept;
    std::vector<std::string> cells;
    bare.run(list, todays, &cells);
    QStringList documents;
    for (size_t i = 0; i < cells.size(); i += 4)
        documents << QString::fromStdString(cells[i]);
    const QString tag = runTag();
    const auto numberUsed =
        bare.prepare({QStringLiteral("select ZXDH From MZ_YJZX Where ZXDH=@ZXDH")}, {"@ZXDH"});
    const auto insert = bare.prepare({QStringLiteral("Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM) "
                                                     "Values(@ZXDH,@DH,@ZXR,@FHR,@KSMC,@XM)")},
                                     {"@ZXDH", "@DH", "@ZXR", "@FHR", "@KSMC", "@XM"});
    const auto finish = bare.procedure(QStringLiteral("P_YJZX"));
    // A database with the audit trail gets the execution's row on both sides: the chain's head
    // read, the row's digest, the row.
    const bool audited = bare.value(QStringLiteral(
                             "SELECT count(*) FROM sqlite_master WHERE type='table' AND name='YJGL_LOG'")) ==
                         QStringLiteral("1");
    const auto auditHead =
        bare.prepare({QStringLiteral("SELECT XH,ZY FROM YJGL_LOG ORDER BY XH DESC LIMIT 1")}, {});
    const auto auditInsert =
        !audited
            ? BareSqlite::Unit{}
            : bare.prepare({QStringLiteral("INSERT INTO YJGL_LOG(XH,CZSJ,CZY,KSMC,GZZ,CZ,DH,XQ,QZY,ZY) "
                                           "VALUES(@XH,@CZSJ,@CZY,@KSMC,@GZZ,@CZ,@DH,@XQ,@QZY,@ZY)")},
                           {"@XH", "@CZSJ", "@CZY", "@KSMC", "@GZZ", "@CZ", "@DH", "@XQ", "@QZY", "@ZY"});
    const auto auditRow = [&](const QString& number, const QString& dh) {
        if (!audited)
            return true;
        std::vector<std::string> head;
        if (bare.run(auditHead, {}, &head) < 0)
            return false;
        const AuditRow row =
            AuditTrail::nextRow({QStringLiteral("基准用户"), kDept, AuditAction::Execute, dh,
                                 QStringLiteral("执行号%1，复核人%2，病人%3")
                                     .arg(number, QStringLiteral("基准用户"), QStringLiteral("基准患者"))},
                                head.empty() ? 0 : QByteArray::fromStdString(head[0]).toLongLong(),
                                head.empty() ? QString() : QString::fromStdString(head[1]).trimmed());
        return bare.run(auditInsert, {QString::number(row.xh), row.czsj, row.czy, row.ksmc, row.gzz, row.cz,
                                      row.dh, row.xq, row.qzy, row.zy}) >= 0;
    };
    const auto client = [&](int i) {
        if (2 * i >= documents.size())
            return false;
        QString stored;
        const ExecutionRecord record{QStringLiteral("C%1%2").arg(tag).arg(i, 5, 10, QLatin1Char('0')),
                                     documents[2 * i],
                                     QStringLiteral("基准用户"),
                                     QStringLiteral("基准用户"),
                                     kDept,
                                     QStringLiteral("基准患者")};
        if (!ExecuteDocument(record, &stored, &error)) {
            out() << "ExecuteDocument failed: " << error.description << Qt::endl;
            return false;
        }
        return stored == record.zxdh;
    };
    const auto direct = [&](int i) {
        if (2 * i + 1 >= documents.size())
            return false;
        const QString number = QStringLiteral("D%1%2").arg(tag).arg(i, 5, 10, QLatin1Char('0'));
        const QString dh = documents[2 * i + 1];
        const bool ok = bare.exec(QStringLiteral("BEGIN IMMEDIATE")) && bare.run(numberUsed, {number}) == 0 &&
                        bare.run(insert, {number, dh, QStringLiteral("基准用户"), QStringLiteral("基准用户"),
                                          kDept, QStringLiteral("基准患者")}) >= 0 &&
                        bare.run(finish, {dh, kDept}) >= 0 && auditRow(number, dh) &&
                        bare.exec(QStringLiteral("COMMIT"));
        if (!ok)
            bare.exec(QStringLiteral("ROLLBACK"));
        return ok;
    };
    if (wanted(QStringLiteral("execution")))
        met &= bench::reportGoal(onRamDisk ? QStringLiteral("execution_ram") : QStringLiteral("execution"),
                                 QStringLiteral("one execution (number check, record, P_YJZX, commit)"),
                                 QStringLiteral("ExecuteDocument"), QStringLiteral("bare sqlite3 API"),
                                 bench::alternate(warmup, kPending / 2 - warmup, client, direct),
                                 onRamDisk ? 1.5 : 1.3);

    delete window;
    Messages::install(nullptr);
    return met ? 0 : 1;
}
