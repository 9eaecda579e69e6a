// Client layer against the bare sqlite3 C API on one hospital database file:
//   db_bench FILE [DEPARTMENT] [--runs N] [--warmup N] [--executions N]
// The execution figures execute real pending documents of today: use a demo database.
// Figures only mean something from a Release build: a Debug build slows the client layer alone.
// It measures, it sets no goal: execution_bench holds the goals.
#include "bench/BenchSupport.h"
#include "common/StatementMessages.h"
#include "common/core/Clock.h"
#include "db/Connection.h"

#include <QCoreApplication>
#include <QFileInfo>

using bench::out;

namespace {

void report(const QString& what, const bench::Pair& p) {
    out() << what << "\n";
    bench::printSpread(QStringLiteral("client layer"), p.a);
    bench::printSpread(QStringLiteral("sqlite3 API"), p.b);
    if (!p.complete)
        out() << "  FAILED before all runs were done\n";
    out() << QStringLiteral("  ratio (median): %1\n")
                 .arg(p.b.median > 0 ? p.a.median / p.b.median : 0, 0, 'f', 2);
    out().flush();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bench::Arguments options(app.arguments());
    const QStringList& args = options.words();
    const int runs = options.number(QStringLiteral("--runs"), 31);
    const int warmup = options.number(QStringLiteral("--warmup"), 3);
    const int executions = options.number(QStringLiteral("--executions"), 10);
    if (args.isEmpty() || !QFileInfo::exists(args[0])) {
        QTextStream(stderr) << "usage: db_bench FILE [DEPARTMENT] [--runs N] [--warmup N] [--executions N]\n";
        return 2;
    }
    const QString file = QFileInfo(args[0]).absoluteFilePath();
    resetGlobalConnection("Provider=SQLite;Data Source=" + file + ";");
    AppError error;
    if (!gConn->open(&error)) {
        QTextStream(stderr) << error.description << "\n";
        return 1;
    }
    QString dept = args.value(1);
    if (dept.isEmpty()) {
        RecordsetPtr rs = gConn->execute("Select DMMC FROM CS WHERE ControlID Like'ZXKS'");
        dept = rs && rs->RecordCount() > 0 ? rs->text(0) : QStringLiteral("检验科");
    }
    const QString today = Clock::today().toString("yyyy-MM-dd");
    const QString from = today + " 00:00:00";
    const QString to = today + " 23:59:59";
    bench::BareSqlite bare(file);
    out() << "database " << file << ", department " << dept << ", today " << today << ", " << runs
          << " runs after " << warmup << "\n";

    // 1. The pending list.
    const QString list = "exec YJ_List " + SqlText(dept) + "," + SqlText(from) + "," + SqlText(to);
    RecordsetPtr pending;
    OpenRs(pending, list);
    out() << "pending documents: " << (pending ? pending->RecordCount() : -1) << "\n";
    const auto listUnit = bare.procedure(QStringLiteral("YJ_List"));
    report("exec YJ_List (one department, today)", bench::alternate(
                                                       warmup, runs,
                                                       [&](int) {
                                                           RecordsetPtr rs;
                                                           return OpenRs(rs, list);
                                                       },
                                                       [&](int) {
                                                           return bare.run(listUnit, {dept, from, to}) >= 0;
                                                       }));

    // 2. The next execution number.
    const QString next =
        "select top 1 FYDH From MZ_FYDJ Where FYRQ Between '" + from + "' and '" + to + "' order by id desc";
    const auto nextUnit = bare.prepare({"select FYDH From MZ_FYDJ Where FYRQ Between '" + from + "' and '" +
                                        to + "' order by id desc LIMIT 1"},
                                       {});
    report("GetNextNo statement (MZ_FYDJ)", bench::alternate(
                                                warmup, runs,
                                                [&](int) {
                                                    RecordsetPtr rs;
                                                    return OpenRs(rs, next);
                                                },
                                                [&](int) { return bare.run(nextUnit, {}) >= 0; }));

    // 3. One execution: insert the record, exec P_YJZX, commit. The two sides take turns along
    // today's pending outpatient documents, so that each gets documents of the same mix.
    QStringList documents;
    for (pending && (pending->MoveFirst(), true); pending && !pending->isEOF(); pending->MoveNext())
        if (pending->text("LX") != QStringLiteral("住院"))
            documents << pending->text("DH");
    const int half = std::min<int>(executions, int(documents.size()) / 2 - warmup);
    if (half <= 0) {
        out() << "execution: too few pending outpatient documents today, skipped\n";
        return 0;
    }
    const auto finishUnit = bare.procedure(QStringLiteral("P_YJZX"));
    const auto insertUnit = bare.prepare(
        {"Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM) Values(@ZXDH,@DH,'bench','bench',@KSMC,'bench')"},
        {"@ZXDH", "@DH", "@KSMC"});
    // Execution numbers are unique: each run of the benchmark takes its own.
    const QString tag = QString::number(QDateTime::currentMSecsSinceEpoch() % 100000000);
    report("execution (insert MZ_YJZX, exec P_YJZX, commit)",
           bench::alternate(
               warmup, half,
               [&](int i) {
                   const QString dh = documents[2 * i];
                   const bool ok =
                       gConn->beginTrans() &&
                       gConn->execute("Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM) Values(" +
                                      SqlText(QStringLiteral("B%1-%2").arg(tag).arg(i)) + "," + SqlText(dh) +
                                      ",'bench','bench'," + SqlText(dept) + ",'bench')") &&
                       gConn->execute("Exec P_YJZX " + SqlText(dh) + "," + SqlText(dept)) &&
                       gConn->commitTrans();
                   if (!ok && gConn->inTransaction())
                       gConn->rollbackTrans();
                   return ok;
               },
               [&](int i) {
                   const QString dh = documents[2 * i + 1];
                   const bool ok =
                       bare.exec("BEGIN IMMEDIATE") &&
                       bare.run(insertUnit, {QStringLiteral("D%1-%2").arg(tag).arg(i), dh, dept}) >= 0 &&
                       bare.run(finishUnit, {dh, dept}) >= 0 && bare.exec("COMMIT");
                   if (!ok)
                       bare.exec("ROLLBACK");
                   return ok;
               }));
    return 0;
}
