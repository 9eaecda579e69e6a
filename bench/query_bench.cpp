// The executed-documents query filling its list with 100,000 records on a large database:
//   query_bench DIR [--runs N] [--warmup N]
// DIR holds hospital.db, made with "yjgl-admin init-demo DIR --documents 1000000". The bench
// adds a department of its own with 100,000 valid execution records on one day (added once),
// so the query returns exactly those. Each run times what "开始查询(&S)" costs the user: the
// statement through the client layer, the list filled and painted; the list is emptied before
// each run, untimed. The other side is the same statement on the bare sqlite3 C API, prepared
// once, every value read as text. After a warm-up the two take turns and go first every other
// round. Goal: the window within 1.5 times the bare statement (medians). Then, for the record:
// the same query again over the full list, where the time goes, and scrolling the list.
#include "BenchMessages.h"
#include "BenchSupport.h"
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
#include <QRandomGenerator>
#include <QScrollBar>

#include <functional>
#include <vector>

namespace {

using bench::out;
const QString kDept = QStringLiteral("查询基准科");
const QDate kDay(2026, 6, 1);
constexpr int kRecords = 100000;

// Times one piece of work; -1 when it reports a failure.
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
            out() << "insert failed: " << error.description << Qt::endl;
            gConn->rollbackTrans(&error);
            return false;
        }
    }
    return gConn->commitTrans(&error);
}

// The statement on the bare C API: prepared once, stepped, and the cells the list shows read
// into strings as the window must (the time of day cut to the minute). The connection is opened
// without a mutex, as the client layer opens its own.
class Bare {
public:
    Bare(const QString& file, const QString& sql, const QVector<QueryRows::Column>& shown) {
        sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                        nullptr);
        sqlite3_busy_timeout(m_db, 10000);
        if (sqlite3_prepare_v3(m_db, sql.toUtf8().constData(), -1, SQLITE_PREPARE_PERSISTENT, &m_statement,
                               nullptr) != SQLITE_OK) {
            out() << "bare prepare failed: " << sqlite3_errmsg(m_db) << Qt::endl;
            return;
        }
        for (const QueryRows::Column& column : shown) {
            int found = -1;
            for (int c = 0; c < sqlite3_column_count(m_statement) && found < 0; ++c)
                if (column.field.compare(QString::fromUtf8(sqlite3_column_name(m_statement, c)),
                                         Qt::CaseInsensitive) == 0)
                    found = c;
            m_columns.push_back({found, column.dateTime});
        }
    }
    ~Bare() {
        sqlite3_finalize(m_statement);
        sqlite3_close(m_db);
    }
    Bare(const Bare&) = delete;
    Bare& operator=(const Bare&) = delete;

    int run() {
        if (!m_statement)
            return -1;
        QVector<QStringList> rows;
        while (sqlite3_step(m_statement) == SQLITE_ROW) {
            QStringList cells;
            cells.reserve(qsizetype(m_columns.size()));
            for (const auto& [column, minute] : m_columns) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
                const int bytes = sqlite3_column_bytes(m_statement, column);
                cells.append(QString::fromUtf8(text, minute ? std::min(bytes, 16) : bytes));
            }
            rows.append(std::move(cells));
        }
        sqlite3_reset(m_statement);
        return int(rows.size());
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
    std::vector<std::pair<int, bool>> m_columns; // shown columns: index, cut to the minute
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bench::Arguments args(app.arguments());
    if (args.words().isEmpty()) {
        out() << "usage: query_bench DIR [--runs N] [--warmup N]" << Qt::endl;
        return 2;
    }
    const int runs = args.number(QStringLiteral("--runs"), 11, 1);
    const int warmup = args.number(QStringLiteral("--warmup"), 2);
    const QString dir = args.words().first();
    const QString file = QDir(dir).filePath(QStringLiteral("hospital.db"));
    if (!QFileInfo::exists(file)) {
        out() << file << " is missing: run yjgl-admin init-demo " << dir << " --documents 1000000"
              << Qt::endl;
        return 2;
    }
    bench::PrintedMessages messages;
    Messages::install(&messages);
    resetGlobalConnection(QStringLiteral("Provider=SQLite;Data Source=") + file + QLatin1Char(';'));
    AppError error;
    if (!gConn->open(&error)) {
        out() << "open failed: " << error.description << Qt::endl;
        return 1;
    }
    gExecDept = kDept;
    currentUser().GetUserName = QStringLiteral("张三");
    QElapsedTimer setup;
    setup.start();
    if (!prepare()) {
        out() << "could not add the bench records" << Qt::endl;
        return 1;
    }
    out() << "bench records ready in " << setup.elapsed() << " ms" << Qt::endl;

    const QString tsql =
        QuerySql::executedByDate(kDept, QStringLiteral("%"), QStringLiteral("%"), kDay, kDay);
    QVector<AdaptedStatement> adapted;
    QString adaptError;
    if (!TsqlAdapter::adapt(tsql, &adapted, &adaptError) || adapted.size() != 1) {
        out() << "cannot adapt: " << adaptError << Qt::endl;
        return 1;
    }
    Bare bare(file, adapted.first().sql, QueryRows::ExecutedColumns());

    Frm_FYCX window;
    window.resize(1280, 800);
    window.show();
    QApplication::processEvents();
    window.findChild<QDateEdit*>(QStringLiteral("S_D"))->setDate(kDay);
    window.findChild<QDateEdit*>(QStringLiteral("E_D"))->setDate(kDay);
    auto* button = window.findChild<QPushButton*>(QStringLiteral("Command3"));
    auto* list = window.findChild<SpreadGrid*>(QStringLiteral("fpSpread1"));

    // The user's click up to the painted list.
    const bench::Side query = [&](int) {
        button->click();
        list->repaint();
        QApplication::processEvents();
        return list->maxRows() == kRecords && messages.shown == 0;
    };
    const bench::Side direct = [&](int) { return bare.run() == kRecords; };
    const auto emptyList = [&] {
        list->setMaxRows(0);
        QApplication::processEvents();
    };
    bool met = bench::reportGoal(
        QStringLiteral("query_fill_100000"),
        QStringLiteral("executed-documents query, %1 records into the empty list").arg(kRecords),
        QStringLiteral("window query and list fill"), QStringLiteral("bare statement into strings"),
        bench::alternate(warmup, runs, query, direct, emptyList), 1.5);

    // The same query again while the list holds the last result (the rows are compared, not redrawn).
    const bench::Pair again = bench::alternate(warmup, runs, query, direct);
    out() << "the same query again over the full list\n";
    bench::printSpread(QStringLiteral("window query over the full list"), again.a);
    bench::printSpread(QStringLiteral("bare statement into strings"), again.b);
    out() << "  ratio of medians " << QString::number(again.a.median / again.b.median, 'f', 3) << "\n";

    // Where the window's time goes: the statement through the client layer, the list rows, the
    // grid's fill and paint.
    std::vector<double> recordsetMs, rowsMs, gridMs;
    for (int i = 0; i < runs; ++i) {
        emptyList();
        RecordsetPtr rs;
        QVector<TextRow> rows;
        recordsetMs.push_back(timed([&] { return bool(rs = gConn->execute(tsql, &error)); }));
        rowsMs.push_back(timed([&] {
            rows = QueryRows::ListRows(*rs, QueryRows::ExecutedColumns());
            rs.reset();
            return rows.size() == kRecords;
        }));
        gridMs.push_back(timed([&] {
            window.FillDocumentList(std::move(rows));
            list->repaint();
            QApplication::processEvents();
            return list->maxRows() == kRecords;
        }));
    }
    out() << "where the window's time goes\n";
    bench::printSpread(QStringLiteral("statement into a recordset"), bench::spreadOf(recordsetMs));
    bench::printSpread(QStringLiteral("list rows, recordset freed"), bench::spreadOf(rowsMs));
    bench::printSpread(QStringLiteral("grid filled and painted"), bench::spreadOf(gridMs));

    // Scrolling: page after page from the top, then jumps to anywhere (a dragged thumb); each
    // step painted. A frame of 60 Hz is 16.7 ms.
    QScrollBar* bar = list->verticalScrollBar();
    bar->setValue(0);
    QApplication::processEvents();
    const auto scroll = [&](const std::function<int()>& next, int steps, const QString& what) {
        std::vector<double> ms;
        for (int i = 0; i < steps; ++i)
            ms.push_back(timed([&] {
                bar->setValue(next());
                list->viewport()->repaint();
                return true;
            }));
        const auto slow = std::count_if(ms.begin(), ms.end(), [](double m) { return m > 16.7; });
        bench::printSpread(what + QStringLiteral(", %1 over 16.7 ms").arg(slow), bench::spreadOf(ms));
    };
    out() << "scrolling the list of " << list->maxRows() << " rows, each step painted\n";
    scroll([&] { return bar->value() + bar->pageStep(); }, 500, QStringLiteral("page down"));
    QRandomGenerator random(12);
    scroll([&] { return int(random.bounded(bar->maximum() + 1)); }, 200, QStringLiteral("jump anywhere"));
    out().flush();
    return met ? 0 : 1;
}
