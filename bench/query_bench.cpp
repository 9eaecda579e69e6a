// The executed-documents query filling its list with 100,000 records on a large database:
//   query_bench DIR [--runs N]
// DIR holds hospital.db, made with "yjgl-admin init-demo DIR --documents 1000000". The bench
// adds a department of its own with 100,000 valid execution records on one day (added once),
// so the query returns exactly those. Each run times the window's query (statement, list fill
// and the painted grid) and the same statement on the bare sqlite3 C API, every value read as
// text; the two go first in turns. Target: the window within 1.5 times the bare statement.
#include "common/SpreadGrid.h"
#include "common/core/Clock.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/StatementHelpers.h"
#include "db/TsqlAdapter.h"
#include "queries/Frm_FYCX.h"
#include "queries/core/QueryRows.h"
#include "queries/core/QueryStatements.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QTextStream>

#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

QTextStream out(stdout);
const QString kDept = QStringLiteral("查询基准科");
const QDate kDay(2026, 6, 1);
constexpr int kRecords = 100000;

class QuietMessages : public IMessageService {
public:
    MsgAnswer show(const QString&, const QString& text, MsgIcon, MsgButtons,
                   MsgAnswer defaultAnswer) override {
        out << "message: " << text << Qt::endl;
        return defaultAnswer;
    }
};

struct Figures {
    double min = 0, median = 0, max = 0;
};

Figures summarise(std::vector<double> ms) {
    Figures f;
    if (ms.empty())
        return f;
    std::sort(ms.begin(), ms.end());
    f.min = ms.front();
    f.median = ms[ms.size() / 2];
    f.max = ms.back();
    return f;
}

double timed(const std::function<bool()>& work) {
    QElapsedTimer t;
    t.start();
    if (!work())
        return -1;
    return double(t.nsecsElapsed()) / 1e6;
}

int recordCount() {
    AppError error;
    RecordsetPtr rs = gConn->execute(QStringLiteral("select count(*) from MZ_YJZX where KSMC=") +
                                         SqlText(kDept) + QStringLiteral(" and SFZF=0"),
                                     &error);
    if (!rs || rs->RecordCount() == 0)
        return -1;
    rs->MoveFirst();
    return rs->value(0).toInt();
}

// The bench department's records: one day, spread over its hours, numbered apart from all others.
bool prepare() {
    const int have = recordCount();
    if (have < 0)
        return false;
    if (have >= kRecords)
        return true;
    AppError error;
    if (!gConn->beginTrans(&error))
        return false;
    const QString day = kDay.toString(QStringLiteral("yyyy-MM-dd"));
    for (int i = have; i < kRecords; ++i) {
        const QString n = QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0'));
        const QString when = QStringLiteral("%1 %2:%3:%4")
                                 .arg(day)
                                 .arg(8 + i % 10, 2, 10, QLatin1Char('0'))
                                 .arg(i / 10 % 60, 2, 10, QLatin1Char('0'))
                                 .arg(i / 600 % 60, 2, 10, QLatin1Char('0'));
        const QString sql = QStringLiteral("Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM,ZXSJ) Values('QB") +
                            n + QStringLiteral("','QBD") + n + QStringLiteral("','张三','李四',") +
                            SqlText(kDept) + QStringLiteral(",'基准患者',") + SqlText(when) +
                            QLatin1Char(')');
        if (!gConn->execute(sql, &error)) {
            out << "insert failed: " << error.description << Qt::endl;
            gConn->rollbackTrans(&error);
            return false;
        }
    }
    return gConn->commitTrans(&error);
}

// The statement on the bare C API: prepared, stepped, every column read as text.
class Bare {
public:
    Bare(const QString& file, const QString& sql) {
        sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_busy_timeout(m_db, 10000);
        m_sql = sql.toUtf8();
    }
    ~Bare() { sqlite3_close(m_db); }
    int run() {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(m_db, m_sql.constData(), -1, &s, nullptr) != SQLITE_OK) {
            out << "bare prepare failed: " << sqlite3_errmsg(m_db) << Qt::endl;
            return -1;
        }
        int rows = 0;
        qsizetype bytes = 0;
        const int columns = sqlite3_column_count(s);
        while (sqlite3_step(s) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                sqlite3_column_text(s, c);
                bytes += sqlite3_column_bytes(s, c);
            }
            ++rows;
        }
        sqlite3_finalize(s);
        m_bytes = bytes;
        return rows;
    }

private:
    sqlite3* m_db = nullptr;
    QByteArray m_sql;
    qsizetype m_bytes = 0;
};

void line(const QString& what, const Figures& f) {
    out << QStringLiteral("  %1 min %2 ms, median %3 ms, max %4 ms\n")
               .arg(what, -36)
               .arg(f.min, 0, 'f', 1)
               .arg(f.median, 0, 'f', 1)
               .arg(f.max, 0, 'f', 1);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        out << "usage: query_bench DIR [--runs N]" << Qt::endl;
        return 2;
    }
    int runs = 11;
    for (int i = 2; i + 1 < args.size(); ++i)
        if (args.at(i) == QLatin1String("--runs"))
            runs = qMax(1, args.at(i + 1).toInt());
    const QString file = QDir(args.at(1)).filePath(QStringLiteral("hospital.db"));
    if (!QFileInfo::exists(file)) {
        out << file << " is missing: run yjgl-admin init-demo " << args.at(1) << " --documents 1000000"
            << Qt::endl;
        return 2;
    }
    QuietMessages messages;
    Messages::install(&messages);
    resetGlobalConnection(QStringLiteral("Provider=SQLite;Data Source=") + file + QLatin1Char(';'));
    AppError error;
    if (!gConn->open(&error)) {
        out << "open failed: " << error.description << Qt::endl;
        return 1;
    }
    gExecDept = kDept;
    currentUser().GetUserName = QStringLiteral("张三");
    QElapsedTimer setup;
    setup.start();
    if (!prepare()) {
        out << "could not add the bench records" << Qt::endl;
        return 1;
    }
    out << "bench records ready in " << setup.elapsed() << " ms" << Qt::endl;

    const QString tsql =
        QuerySql::executedByDate(kDept, QStringLiteral("%"), QStringLiteral("%"), kDay, kDay);
    QVector<AdaptedStatement> adapted;
    QString adaptError;
    if (!TsqlAdapter::adapt(tsql, &adapted, &adaptError) || adapted.size() != 1) {
        out << "cannot adapt: " << adaptError << Qt::endl;
        return 1;
    }
    Bare bare(file, adapted.first().sql);

    Frm_FYCX window;
    window.resize(1280, 800);
    window.show();
    QApplication::processEvents();
    window.findChild<QDateEdit*>(QStringLiteral("S_D"))->setDate(kDay);
    window.findChild<QDateEdit*>(QStringLiteral("E_D"))->setDate(kDay);
    auto* query = window.findChild<QPushButton*>(QStringLiteral("Command3"));
    auto* list = window.findChild<SpreadGrid*>(QStringLiteral("fpSpread1"));

    std::vector<double> fillMs, bareMs, scrollMs, recordsetMs, rowsMs;
    const auto fill = [&] {
        list->setMaxRows(0);
        QApplication::processEvents();
        return timed([&] {
            query->click();
            list->repaint();
            QApplication::processEvents();
            return list->maxRows() == kRecords;
        });
    };
    const auto direct = [&] { return timed([&] { return bare.run() == kRecords; }); };
    for (int i = 0; i < runs; ++i) {
        const double a = i % 2 == 0 ? fill() : direct();
        const double b = i % 2 == 0 ? direct() : fill();
        if (a < 0 || b < 0) {
            out << "run " << i << " failed (rows: " << list->maxRows() << ")" << Qt::endl;
            return 1;
        }
        fillMs.push_back(i % 2 == 0 ? a : b);
        bareMs.push_back(i % 2 == 0 ? b : a);
    }
    // Where the window's time goes: the statement through the client layer, then the rows.
    for (int i = 0; i < runs; ++i) {
        RecordsetPtr rs;
        recordsetMs.push_back(timed([&] { return bool(rs = gConn->execute(tsql, &error)); }));
        rowsMs.push_back(timed([&] {
            const QVector<QStringList> rows = QueryRows::ListRows(*rs, QueryRows::ExecutedColumns());
            rs.reset();
            return rows.size() == kRecords;
        }));
    }
    // Scrolling: one page down at a time through the list, each step painted.
    QScrollBar* bar = list->verticalScrollBar();
    for (int i = 0; i < 200; ++i)
        scrollMs.push_back(timed([&] {
            bar->setValue(bar->value() + bar->pageStep() * 15);
            list->viewport()->repaint();
            return true;
        }));

    const Figures f = summarise(fillMs);
    const Figures b = summarise(bareMs);
    out << "executed-documents query, " << kRecords << " records, " << runs << " runs\n";
    line(QStringLiteral("window query and list fill"), f);
    line(QStringLiteral("bare statement, sqlite3 C API"), b);
    line(QStringLiteral("  of it: statement into a recordset"), summarise(recordsetMs));
    line(QStringLiteral("  of it: list rows, recordset freed"), summarise(rowsMs));
    out << QStringLiteral("  ratio of medians %1 (target at most 1.50)\n")
               .arg(f.median / b.median, 0, 'f', 2);
    line(QStringLiteral("scroll step (page jump, painted)"), summarise(scrollMs));
    out.flush();
    return f.median <= 1.5 * b.median ? 0 : 1;
}
