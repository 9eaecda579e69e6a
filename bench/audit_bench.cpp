// What the audit trail's row costs an execution:
//   audit_bench [--runs N] [--warmup N] [--documents N]
// On a demo database of its own (temporary folder), ExecuteDocument with its row in YJGL_LOG
// against the same statements without the row (the number check, the record, P_YJZX, commit,
// in one transaction on the same connection, sent together as the execution sends them). The two sides take
// turns along the pending documents of 检验科. Prints the min/median/max of both sides and "audit_row ratio R
// limit L"; the exit code is 1 when the ratio is over its limit.
#include "bench/BenchSupport.h"
#include "common/core/Clock.h"
#include "db/Connection.h"
#include "db/audit/AuditTrail.h"
#include "db/demo/DemoDatabase.h"
#include "execution/core/ExecutionAttempt.h"
#include "execution/core/ExecutionService.h"
#include "execution/core/ExecutionStatements.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

using bench::out;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bench::Arguments args(app.arguments());
    const int runs = args.number(QStringLiteral("--runs"), 201, 1);
    const int warmup = args.number(QStringLiteral("--warmup"), 5);
    const int documents = args.number(QStringLiteral("--documents"), 12000, 100);
    const QString dept = QStringLiteral("检验科");

    QTemporaryDir folder;
    const QString file = QDir(folder.path()).filePath(QStringLiteral("hospital.db"));
    AppError error;
    if (!DemoDatabase::create(file, DemoOptions{documents, {}, 20261207}, &error)) {
        out() << "cannot make the demo database: " << error.description << Qt::endl;
        return 1;
    }
    resetGlobalConnection(QStringLiteral("Provider=SQLite;Data Source=%1;").arg(file));
    if (!gConn->open(&error) || !AuditTrail::isOn()) {
        out() << "cannot open the demo database with its audit trail: " << error.description << Qt::endl;
        return 1;
    }
    QStringList pending;
    if (!ExecutionAttempt::ReadPendingNumbers(dept, Clock::today().addDays(-60), Clock::today(), &pending,
                                              &error)) {
        out() << "pending list: " << error.description << Qt::endl;
        return 1;
    }
    if (pending.size() < 2 * (warmup + runs)) {
        out() << pending.size() << " pending documents of " << dept << " are too few for " << runs
              << " runs; use --documents" << Qt::endl;
        return 1;
    }
    const auto record = [&](const QString& side, int i) {
        return ExecutionRecord{QStringLiteral("%1%2").arg(side).arg(i, 7, 10, QLatin1Char('0')),
                               pending.at(2 * i + (side == u"A" ? 0 : 1)),
                               QStringLiteral("基准用户"),
                               QStringLiteral("基准用户"),
                               dept,
                               QStringLiteral("基准患者")};
    };
    const auto withRow = [&](int i) {
        QString stored;
        const ExecutionRecord r = record(QStringLiteral("A"), i);
        if (!ExecuteDocument(r, &stored, &error)) {
            out() << "ExecuteDocument failed: " << error.description << Qt::endl;
            return false;
        }
        return stored == r.zxdh;
    };
    // As the execution sends them: together on the connection's thread.
    const auto withoutRow = [&](int i) {
        const ExecutionRecord r = record(QStringLiteral("B"), i);
        bool ok = false;
        const bool answered = gConn->runTogether([&] {
            ok = gConn->beginTrans(&error) &&
                 gConn->execute(ExecutionSql::executionNumberUsed(r.zxdh), &error) &&
                 gConn->execute(ExecutionSql::insertExecution(r.zxdh, r.dh, r.zxr, r.fhr, r.dept, r.xm),
                                &error) &&
                 gConn->execute(ExecutionSql::finishExecution(r.dh, r.dept), &error) &&
                 gConn->commitTrans(&error);
        });
        ok = ok && answered;
        if (!ok) {
            AppError ignored;
            gConn->rollbackTrans(&ignored);
            out() << "execution without the row failed: " << error.description << Qt::endl;
        }
        return ok;
    };
    out() << "demo database of " << documents << " documents, " << pending.size() << " pending for " << dept
          << Qt::endl;
    const bool met = bench::reportGoal(
        QStringLiteral("audit_row"), QStringLiteral("one execution with its audit row against one without"),
        QStringLiteral("ExecuteDocument with the row"), QStringLiteral("the same statements without it"),
        bench::alternate(warmup, runs, withRow, withoutRow), 1.10);
    gConn->close();
    return met ? 0 : 1;
}
