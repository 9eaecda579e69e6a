// A department's backlog against the size of its day:
//   backlog_bench [--runs N] [--warmup N] [--keep DIR]
// Two embedded databases made with the program's schema (in a temporary folder, or in DIR when
// --keep names one): in both, 积压科 has 5,000 pending items on the five days before the measured
// day (one in ten inpatient) and 50 pending documents on it; the measured day holds 3,000
// documents of the demo departments in one and 300,000 in the other. YJ_List for 积压科 and that
// day, as the database holds it, sent bare on both, the sides taking turns after a warm-up.
// Prints min/median/max of both sides and "backlog_list ratio R limit L"; the exit code is 1
// when the ratio is over its limit.
#include "bench/BenchSupport.h"
#include "db/demo/DemoDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

using bench::BareSqlite;
using bench::out;

namespace {

const QString kDept = QStringLiteral("积压科");
const QDate kDay(2026, 12, 7);
constexpr int kBacklog = 5000;
constexpr int kOwn = 50;
constexpr int kQuiet = 3000;
constexpr int kBusy = 300000;

QString day(const QDate& d) {
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

QString numbers(int count) {
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ")
        .arg(count - 1);
}

// Documents numbered `prefix` and i, one pending item of the department each, written on the
// day `daysBack` before the measured one, plus i % spread days further back; every tenth
// inpatient.
bool ownDocuments(BareSqlite& db, const QString& prefix, int count, int daysBack, int spread) {
    const QString dh = QStringLiteral("printf('%1%08d', i)").arg(prefix);
    const QString kdrq =
        QStringLiteral("printf('%s %02d:%02d:%02d', date('%1', '-' || (%2 + i % %3) || ' days'), "
                       "8 + i / 3600 % 10, i / 60 % 60, i % 60)")
            .arg(day(kDay))
            .arg(daysBack)
            .arg(spread);
    return db.exec(numbers(count) + QStringLiteral("INSERT INTO mz_kfdj (DH, XM, XB, KDRQ, SFBZ) SELECT ") +
                   dh + QStringLiteral(", '积压患者', '女', ") + kdrq +
                   QStringLiteral(", 1 FROM n WHERE i % 10 <> 0")) &&
           db.exec(numbers(count) +
                   QStringLiteral("INSERT INTO MZ_KFDJMX (DH, GroupYP, BM, SL, DJ, SSJE, SFBZ) "
                                  "SELECT ") +
                   dh + QStringLiteral(", 1, 'BACKLOG1', 1, 10, 10, 1 FROM n WHERE i % 10 <> 0")) &&
           db.exec(numbers(count) + QStringLiteral("INSERT INTO ZY_KFDJ (DH, ZYH, XM, KDRQ) SELECT ") + dh +
                   QStringLiteral(", 'ZY' || i, '积压病人', ") + kdrq +
                   QStringLiteral(" FROM n WHERE i % 10 = 0")) &&
           db.exec(numbers(count) +
                   QStringLiteral("INSERT INTO ZY_KFDJMX (DH, GroupYP, BM, SL, DJ, SSJE, SFBZ) "
                                  "SELECT ") +
                   dh + QStringLiteral(", 1, 'BACKLOG1', 1, 10, 10, 1 FROM n WHERE i % 10 = 0"));
}

// The day's documents of the demo departments: three items each, paid, three in ten executed;
// one in seven inpatient.
bool otherDocuments(BareSqlite& db, int count) {
    const QString with =
        numbers(count) + QStringLiteral(", cat AS (SELECT YPBM, row_number() OVER (ORDER BY YPBM) "
                                        "- 1 AS r FROM YF_YPML WHERE YPBM <> 'BACKLOG1'), "
                                        "j(k) AS (VALUES (0), (1), (2)) ");
    const QString dh = QStringLiteral("printf('F%012d', i)");
    const QString kdrq =
        QStringLiteral("printf('%1 %02d:%02d:%02d', 7 + i / 30 / 3600 % 12, i / 30 / 60 % 60, "
                       "i / 30 % 60)")
            .arg(day(kDay));
    const QString item =
        QStringLiteral("(SELECT YPBM FROM cat WHERE r = (i * 7 + k * 13) % (SELECT count(*) FROM "
                       "cat)), 1, 10, 10, 1, (i * 3 + k) % 10 < 3 FROM n, j");
    return db.exec(with + QStringLiteral("INSERT INTO mz_kfdj (DH, XM, XB, KDRQ, SFBZ) SELECT ") + dh +
                   QStringLiteral(", '其他患者', '男', ") + kdrq +
                   QStringLiteral(", 1 FROM n WHERE i % 7 <> 0")) &&
           db.exec(
               with +
               QStringLiteral("INSERT INTO MZ_KFDJMX (DH, GroupYP, BM, SL, DJ, SSJE, SFBZ, ZXBZ) SELECT ") +
               dh + QStringLiteral(", 1, ") + item + QStringLiteral(" WHERE i % 7 <> 0")) &&
           db.exec(with + QStringLiteral("INSERT INTO ZY_KFDJ (DH, ZYH, XM, KDRQ) SELECT ") + dh +
                   QStringLiteral(", 'ZY' || i, '其他病人', ") + kdrq +
                   QStringLiteral(" FROM n WHERE i % 7 = 0")) &&
           db.exec(
               with +
               QStringLiteral("INSERT INTO ZY_KFDJMX (DH, GroupYP, BM, SL, DJ, SSJE, SFBZ, ZXBZ) SELECT ") +
               dh + QStringLiteral(", 1, ") + item + QStringLiteral(" WHERE i % 7 = 0"));
}

bool makeDatabase(const QString& file, int documentsOfTheDay) {
    AppError error;
    DemoOptions options;
    options.documents = 0;
    options.today = kDay;
    if (!DemoDatabase::create(file, options, &error)) {
        out() << "cannot make the database: " << error.description << Qt::endl;
        return false;
    }
    BareSqlite db(file);
    return db.exec(QStringLiteral("BEGIN")) &&
           db.exec(QStringLiteral("INSERT INTO YF_YPML (YPBM, YPMC, GG, DW, DJ, LX, ZXKS, KCL, SFJKC, CLB) "
                                  "VALUES ('BACKLOG1', '积压检查', '次', '次', 10, '检查', '%1', 0, 0, 1)")
                       .arg(kDept)) &&
           ownDocuments(db, QStringLiteral("BK"), kBacklog, 1, 5) &&
           ownDocuments(db, QStringLiteral("BD"), kOwn, 0, 1) && otherDocuments(db, documentsOfTheDay) &&
           db.exec(QStringLiteral("COMMIT")) && db.exec(QStringLiteral("ANALYZE")) &&
           db.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
}

// One side: the department's list of the day, every value read; true when it lists its 50.
bench::Side listing(BareSqlite& db, const BareSqlite::Unit& list) {
    const QStringList values{kDept, day(kDay) + QStringLiteral(" 00:00:00"),
                             day(kDay) + QStringLiteral(" 23:59:59")};
    return [&db, &list, values](int) { return db.run(list, values) == kOwn; };
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bench::Arguments args(app.arguments());
    const int runs = args.number(QStringLiteral("--runs"), 31, 1);
    const int warmup = args.number(QStringLiteral("--warmup"), 5);
    QTemporaryDir temporary;
    const QStringList keep = args.values(QStringLiteral("--keep"));
    const QDir folder(keep.isEmpty() ? temporary.path() : keep.last());
    if (!folder.exists() && !QDir().mkpath(folder.path()))
        return 1;
    const QString quietFile = folder.filePath(QStringLiteral("quiet.db"));
    const QString busyFile = folder.filePath(QStringLiteral("busy.db"));
    QElapsedTimer timer;
    timer.start();
    if (!makeDatabase(quietFile, kQuiet) || !makeDatabase(busyFile, kBusy))
        return 1;
    out() << "two databases with " << kBacklog << " pending items of " << kDept << " on earlier days, "
          << kQuiet << " and " << kBusy << " documents on the day, made in " << timer.elapsed() << " ms"
          << Qt::endl;

    BareSqlite quiet(quietFile);
    BareSqlite busy(busyFile);
    const BareSqlite::Unit quietList = quiet.procedure(QStringLiteral("YJ_List"));
    const BareSqlite::Unit busyList = busy.procedure(QStringLiteral("YJ_List"));
    const bool met = bench::reportGoal(
        QStringLiteral("backlog_list"),
        QStringLiteral("YJ_List of a department with %1 pending items on earlier days and %2 on its day")
            .arg(kBacklog)
            .arg(kOwn),
        QStringLiteral("day of 300,000 documents"), QStringLiteral("day of 3,000 documents"),
        bench::alternate(warmup, runs, listing(busy, busyList), listing(quiet, quietList)), 2.0);
    return met ? 0 : 1;
}
