// The pending list and one execution on a large hospital database:
//   execution_bench DIR [--runs N] [--executions N]
// DIR holds hospital.db, made with "yjgl-admin init-demo DIR --documents 1000000". The bench
// adds a department of its own with 500 documents pending today (topped up on every run), so
// the list returns exactly those while the statement still walks the whole day's documents.
#include "common/SpreadGrid.h"
#include "common/core/Clock.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/StatementHelpers.h"
#include "execution/Mz_CKFY.h"
#include "execution/core/ExecutionService.h"
#include "execution/core/ExecutionStatements.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

QTextStream out(stdout);
const QString kDept = QStringLiteral("基准科");
const QString kItem = QStringLiteral("BENCH01");
constexpr int kPending = 500;

// Every box answers with its default (OK); the bench only counts them.
class QuietMessages : public IMessageService {
public:
    MsgAnswer show(const QString&, const QString& text, MsgIcon, MsgButtons,
                   MsgAnswer defaultAnswer) override {
        last = text;
        return defaultAnswer;
    }
    QString last;
};

struct Figures {
    double median = 0;
    double max = 0;
};

Figures summarise(std::vector<double> ms) {
    Figures f;
    if (ms.empty())
        return f;
    std::sort(ms.begin(), ms.end());
    f.median = ms[ms.size() / 2];
    f.max = ms.back();
    return f;
}

double timed(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

bool run(const QString& sql) {
    AppError error;
    if (!gConn->execute(sql, &error)) {
        out << "statement failed: " << error.description << "\n  " << sql << Qt::endl;
        return false;
    }
    return true;
}

int pendingCount() {
    AppError error;
    RecordsetPtr rs =
        gConn->execute(ExecutionSql::pendingList(kDept, Clock::today(), Clock::today()), &error);
    return rs ? rs->RecordCount() : -1;
}

// The bench department, its catalogue item and 500 pending documents of today.
bool prepare() {
    AppError error;
    RecordsetPtr has =
        gConn->execute(QStringLiteral("select YPBM from YF_YPML where YPBM=") + SqlText(kItem), &error);
    if (!has)
        return false;
    if (has->RecordCount() == 0 &&
        !run(QStringLiteral(
                 "INSERT INTO YF_YPML (YPBM, YPMC, GG, DW, DJ, LX, ZXKS, KCL, SFJKC, CLB) VALUES (") +
             SqlText(kItem) + QStringLiteral(",'基准检查','次','次',10,'检查',") + SqlText(kDept) +
             QStringLiteral(",0,0,1)")))
        return false;
    int missing = kPending - pendingCount();
    if (missing <= 0)
        return true;
    const QString day = Clock::today().toString(QStringLiteral("yyyy-MM-dd"));
    const QString stamp = QString::number(QDateTime::currentMSecsSinceEpoch());
    QStringList batch;
    for (int i = 0; i < missing; ++i) {
        const QString dh = QStringLiteral("B%1-%2").arg(stamp).arg(i, 4, 10, QLatin1Char('0'));
        const QString when = SqlText(day + QStringLiteral(" 08:%1:00").arg(i % 60, 2, 10, QLatin1Char('0')));
        batch << QStringLiteral("INSERT INTO mz_kfdj (DH, XM, XB, NL, KDYS, KDRQ, SFBZ) VALUES (") +
                     SqlText(dh) + QStringLiteral(",'基准患者','女','30岁','基准医生',") + when +
                     QStringLiteral(",1)")
              << QStringLiteral(
                     "INSERT INTO MZ_KFDJMX (DH, GroupYP, BM, PM, GG, DW, SL, DJ, SSJE, SFBZ) VALUES (") +
                     SqlText(dh) + QStringLiteral(",1,") + SqlText(kItem) +
                     QStringLiteral(",'基准检查','次','次',1,10,10,1)");
    }
    if (!gConn->beginTrans(&error))
        return false;
    for (const QString& sql : batch)
        if (!run(sql)) {
            gConn->rollbackTrans(&error);
            return false;
        }
    return gConn->commitTrans(&error);
}

void line(const QString& what, const Figures& f) {
    out << QStringLiteral("  %1 median %2 ms, max %3 ms\n")
               .arg(what, -44)
               .arg(f.median, 0, 'f', 2)
               .arg(f.max, 0, 'f', 2);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        out << "usage: execution_bench DIR [--runs N] [--executions N]" << Qt::endl;
        return 2;
    }
    int runs = 21;
    int executions = 11;
    for (int i = 2; i + 1 < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--runs"))
            runs = qMax(1, args.at(i + 1).toInt());
        if (args.at(i) == QLatin1String("--executions"))
            executions = qMax(1, args.at(i + 1).toInt());
    }
    const QString file = QDir(args.at(1)).filePath(QStringLiteral("hospital.db"));
    if (!QFileInfo::exists(file)) {
        out << file << " is missing: run yjgl-admin init-demo " << args.at(1) << " --documents 1000000"
            << Qt::endl;
        return 2;
    }
    resetGlobalConnection(QStringLiteral("Provider=SQLite;Data Source=") + file + QLatin1Char(';'));
    AppError error;
    if (!gConn->open(&error)) {
        out << "cannot open " << file << ": " << error.description << Qt::endl;
        return 1;
    }
    QuietMessages messages;
    Messages::install(&messages);
    gExecDept = kDept;
    currentUser().GetUserName = QStringLiteral("基准用户");

    QElapsedTimer setup;
    setup.start();
    if (!prepare())
        return 1;
    AppError countError;
    RecordsetPtr docs = gConn->execute(QStringLiteral("select count(*) from mz_kfdj"), &countError);
    out << "database: " << file
        << "\n  outpatient documents: " << (docs ? docs->rows().value(0).value(0).toString() : "?")
        << ", pending for " << kDept << " today: " << pendingCount() << " (set up in " << setup.elapsed()
        << " ms)\n";

    auto* window = new Mz_CKFY;
    window->resize(1280, 800);
    window->show();
    QCoreApplication::processEvents();
    auto* list = window->findChild<SpreadGrid*>(QStringLiteral("fpSpread1"));

    // Statement alone and the whole refresh, taken turn about so both see the same cache.
    const QString statement = ExecutionSql::pendingList(kDept, Clock::today(), Clock::today());
    std::vector<double> bare;
    std::vector<double> refresh;
    for (int i = 0; i < runs; ++i) {
        bare.push_back(timed([&] { RecordsetPtr rs = gConn->execute(statement, &error); }));
        refresh.push_back(timed([&] {
            window->RefreshDJList();
            QCoreApplication::processEvents(); // the grid's repaint belongs to the refresh
        }));
    }
    const int rows = list->maxRows();

    // Full executions: the F2 attempt (refresh, checks, transaction, refresh) on the first
    // listed document, and the transaction on its own.
    std::vector<double> attempt;
    std::vector<double> transaction;
    auto* txtDH = window->findChild<QLineEdit*>(QStringLiteral("Txt_DH"));
    for (int i = 0; i < executions && list->maxRows() > 1; ++i) {
        const QString dh = list->text(1, 1);
        window->LoadDJHead(dh, QString());
        window->LoadDJMX(dh, QString());
        txtDH->setText(dh);
        attempt.push_back(timed([&] {
            window->ExecuteSelected();
            QCoreApplication::processEvents();
        }));
        if (messages.last != QStringLiteral("执行成功。")) {
            out << "execution failed: " << messages.last << Qt::endl;
            return 1;
        }
        const QString next = list->text(1, 1);
        transaction.push_back(timed([&] {
            QString stored;
            if (!ExecuteDocument({QString(), next, QStringLiteral("基准用户"), QStringLiteral("基准用户"),
                                  kDept, QStringLiteral("基准患者")},
                                 &stored, &error))
                out << "transaction failed: " << error.description << Qt::endl;
        }));
        window->RefreshDJList();
    }

    const Figures b = summarise(bare);
    const Figures r = summarise(refresh);
    const Figures a = summarise(attempt);
    const Figures t = summarise(transaction);
    out << "pending list (" << rows << " rows), " << runs << " runs:\n";
    line(QStringLiteral("exec YJ_List statement alone"), b);
    line(QStringLiteral("RefreshDJList (statement, grid fill, repaint)"), r);
    out << QStringLiteral("  refresh / statement (median): %1 (limit 1.50)\n")
               .arg(b.median > 0 ? r.median / b.median : 0, 0, 'f', 2);
    out << "execution, " << attempt.size() << " documents:\n";
    line(QStringLiteral("F2 attempt (refresh, checks, store, refresh)"), a);
    line(QStringLiteral("ExecuteDocument transaction alone"), t);
    const bool ok = r.max < 100 && a.max < 100 && r.median <= 1.5 * b.median;
    out << (ok ? "PASS" : "FAIL")
        << ": refresh and execution below 100 ms, refresh at most 1.5x the statement" << Qt::endl;
    delete window;
    Messages::install(nullptr);
    return ok ? 0 : 1;
}
