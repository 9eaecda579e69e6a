// Client layer against the bare sqlite3 C API on one hospital database file:
//   db_bench FILE [DEPARTMENT] [--runs N] [--executions N]
// The execution figures execute real pending documents of today: use a demo database.
// Figures only mean something from a Release build: a Debug build slows the client layer alone.
#include "common/core/Clock.h"
#include "db/Connection.h"
#include "db/SqlTokenizer.h"
#include "db/StatementHelpers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>

#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

QTextStream out(stdout);

struct Figures {
    double medianMs = 0;
    double meanMs = 0;
    int runs = 0; // runs that succeeded; measuring stops at the first failure
};

Figures figuresOf(std::vector<double> ms) {
    Figures f;
    f.runs = int(ms.size());
    if (ms.empty())
        return f;
    double sum = 0;
    for (double v : ms)
        sum += v;
    f.meanMs = sum / double(ms.size());
    std::sort(ms.begin(), ms.end());
    f.medianMs = ms[ms.size() / 2];
    return f;
}

// Runs the client layer and the bare sqlite3 side in turns, each going first every other
// round, so that neither profits from pages the other has just brought into the cache.
std::pair<Figures, Figures> measurePair(int runs, const std::function<bool(int)>& client,
                                        const std::function<bool(int)>& direct) {
    std::vector<double> clientMs, directMs;
    auto timed = [](const std::function<bool(int)>& once, int i, std::vector<double>& into) {
        QElapsedTimer t;
        t.start();
        if (!once(i))
            return false;
        into.push_back(double(t.nsecsElapsed()) / 1e6);
        return true;
    };
    for (int i = 0; i < runs; ++i) {
        const bool ok = i % 2 == 0 ? timed(client, i, clientMs) && timed(direct, i, directMs)
                                   : timed(direct, i, directMs) && timed(client, i, clientMs);
        if (!ok)
            break;
    }
    return {figuresOf(clientMs), figuresOf(directMs)};
}

void report(const QString& what, const Figures& client, const Figures& direct, int runs) {
    if (client.runs < runs || direct.runs < runs)
        out << QStringLiteral("  FAILED: client layer %1 of %2 runs, sqlite3 API %3 of %2 runs\n")
                   .arg(client.runs)
                   .arg(runs)
                   .arg(direct.runs);
    out << what << "\n"
        << QStringLiteral("  client layer: median %1 ms, mean %2 ms\n")
               .arg(client.medianMs, 0, 'f', 3)
               .arg(client.meanMs, 0, 'f', 3)
        << QStringLiteral("  sqlite3 API : median %1 ms, mean %2 ms\n")
               .arg(direct.medianMs, 0, 'f', 3)
               .arg(direct.meanMs, 0, 'f', 3)
        << QStringLiteral("  ratio (median): %1\n")
               .arg(direct.medianMs > 0 ? client.medianMs / direct.medianMs : 0, 0, 'f', 2);
    out.flush();
}

// The same work without the client layer: prepared once, bound by name, every value read.
class Direct {
public:
    explicit Direct(const QString& file) {
        sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(m_db, 10000);
        sqlite3_exec(m_db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        sqlite3_create_function_v2(m_db, "getdate", 0, SQLITE_UTF8, nullptr, &getdate, nullptr, nullptr,
                                   nullptr);
        sqlite3_create_function_v2(m_db, "yj_raise", 1, SQLITE_UTF8, nullptr, &raise, nullptr, nullptr,
                                   nullptr);
    }
    ~Direct() {
        for (sqlite3_stmt* s : m_statements)
            sqlite3_finalize(s);
        sqlite3_close(m_db);
    }

    // Prepares the statements of a procedure body (or one statement).
    std::vector<sqlite3_stmt*> prepare(const QStringList& texts) {
        std::vector<sqlite3_stmt*> prepared;
        for (const QString& text : texts) {
            sqlite3_stmt* s = nullptr;
            if (sqlite3_prepare_v3(m_db, text.toUtf8().constData(), -1, SQLITE_PREPARE_PERSISTENT, &s,
                                   nullptr) != SQLITE_OK) {
                out << "prepare failed: " << sqlite3_errmsg(m_db) << "\n";
                continue;
            }
            prepared.push_back(s);
            m_statements.push_back(s);
        }
        return prepared;
    }

    QStringList procedureBody(const QString& name, QStringList* params) {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(m_db, "SELECT params, body FROM sys_procedures WHERE name = ?1", -1, &s, nullptr);
        const QByteArray n = name.toUtf8();
        sqlite3_bind_text(s, 1, n.constData(), int(n.size()), SQLITE_TRANSIENT);
        QStringList body;
        if (sqlite3_step(s) == SQLITE_ROW) {
            *params = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))).split(',');
            body = SqlTokenizer::splitOnSemicolons(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 1))));
        }
        sqlite3_finalize(s);
        return body;
    }

    // Runs the statements with the named values; returns the rows read, -1 on failure.
    long run(const std::vector<sqlite3_stmt*>& statements, const QStringList& params,
             const QStringList& values) {
        long rows = 0;
        for (sqlite3_stmt* s : statements) {
            for (int i = 1; i <= sqlite3_bind_parameter_count(s); ++i) {
                const int p = params.indexOf(QString::fromUtf8(sqlite3_bind_parameter_name(s, i)));
                const QByteArray v = values.value(p).toUtf8();
                sqlite3_bind_text(s, i, v.constData(), int(v.size()), SQLITE_TRANSIENT);
            }
            const int columns = sqlite3_column_count(s);
            std::vector<std::string> cells;
            int rc;
            while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
                ++rows;
                for (int c = 0; c < columns; ++c) {
                    const unsigned char* t = sqlite3_column_text(s, c);
                    cells.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
                }
            }
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
            if (rc != SQLITE_DONE)
                return -1;
        }
        return rows;
    }

    bool exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

private:
    static void getdate(sqlite3_context* c, int, sqlite3_value**) {
        const QByteArray t = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toUtf8();
        sqlite3_result_text(c, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
    static void raise(sqlite3_context* c, int, sqlite3_value** v) {
        sqlite3_result_error(c, reinterpret_cast<const char*>(sqlite3_value_text(v[0])), -1);
    }

    sqlite3* m_db = nullptr;
    std::vector<sqlite3_stmt*> m_statements;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int runs = 30;
    int executions = 10;
    for (int i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--runs" || args[i] == "--executions") {
            (args[i] == "--runs" ? runs : executions) = args[i + 1].toInt();
            args.remove(i, 2);
            --i;
        }
    }
    if (args.isEmpty() || !QFileInfo::exists(args[0])) {
        QTextStream(stderr) << "usage: db_bench FILE [DEPARTMENT] [--runs N] [--executions N]\n";
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
    Direct direct(file);
    out << "database " << file << ", department " << dept << ", today " << today << ", " << runs << " runs\n";

    // 1. The pending list.
    const QString list = "exec YJ_List " + SqlText(dept) + "," + SqlText(from) + "," + SqlText(to);
    RecordsetPtr pending;
    OpenRs(pending, list);
    out << "pending documents: " << (pending ? pending->RecordCount() : -1) << "\n";
    QStringList listParams;
    const auto listStatements = direct.prepare(direct.procedureBody("YJ_List", &listParams));
    const auto [listClient, listDirect] = measurePair(
        runs,
        [&](int) {
            RecordsetPtr rs;
            return OpenRs(rs, list);
        },
        [&](int) {
            return direct.run(listStatements, listParams, {dept, from, to}) >= 0;
        });
    report("exec YJ_List (one department, today)", listClient, listDirect, runs);

    // 2. The next execution number.
    const QString next =
        "select top 1 FYDH From MZ_FYDJ Where FYRQ Between '" + from + "' and '" + to + "' order by id desc";
    const auto nextStatement = direct.prepare({"select FYDH From MZ_FYDJ Where FYRQ Between '" + from +
                                               "' and '" + to + "' order by id desc LIMIT 1"});
    const auto [nextClient, nextDirect] = measurePair(
        runs,
        [&](int) {
            RecordsetPtr rs;
            return OpenRs(rs, next);
        },
        [&](int) { return direct.run(nextStatement, {}, {}) >= 0; });
    report("GetNextNo statement (MZ_FYDJ)", nextClient, nextDirect, runs);

    // 3. One execution: insert the record, exec P_YJZX, commit. Each run takes another
    // outpatient document that is pending today.
    QStringList documents;
    for (pending && (pending->MoveFirst(), true); pending && !pending->isEOF(); pending->MoveNext())
        if (pending->text("LX") != QStringLiteral("住院"))
            documents << pending->text("DH");
    // The two sides take turns along the list, so that each gets documents of the same mix.
    const int half = std::min<int>(executions, int(documents.size()) / 2);
    if (half == 0) {
        out << "execution: no pending outpatient documents today, skipped\n";
        return 0;
    }
    QStringList execParams;
    const auto execStatements = direct.prepare(direct.procedureBody("P_YJZX", &execParams));
    const auto insertStatement = direct.prepare(
        {"Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM) Values(@ZXDH,@DH,'bench','bench',@KSMC,'bench')"});
    const QStringList insertParams = {"@ZXDH", "@DH", "@KSMC"};
    // Execution numbers are unique: each run of the benchmark takes its own.
    const QString tag = QString::number(QDateTime::currentMSecsSinceEpoch() % 100000000);
    const auto [execClient, execDirect] = measurePair(
        half,
        [&](int i) {
            const QString dh = documents[2 * i];
            const bool ok = gConn->beginTrans() &&
                            gConn->execute("Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM) Values(" +
                                           SqlText(QStringLiteral("B%1-%2").arg(tag).arg(i)) + "," +
                                           SqlText(dh) + ",'bench','bench'," + SqlText(dept) + ",'bench')") &&
                            gConn->execute("Exec P_YJZX " + SqlText(dh) + "," + SqlText(dept)) &&
                            gConn->commitTrans();
            if (!ok && gConn->inTransaction())
                gConn->rollbackTrans();
            return ok;
        },
        [&](int i) {
            const QString dh = documents[2 * i + 1];
            const bool ok = direct.exec("BEGIN IMMEDIATE") &&
                            direct.run(insertStatement, insertParams,
                                       {QStringLiteral("D%1-%2").arg(tag).arg(i), dh, dept}) >= 0 &&
                            direct.run(execStatements, execParams, {dh, dept}) >= 0 && direct.exec("COMMIT");
            if (!ok)
                direct.exec("ROLLBACK");
            return ok;
        });
    out << "executed " << 2 * half << " documents\n";
    report("execution (insert MZ_YJZX, exec P_YJZX, commit)", execClient, execDirect, half);
    return 0;
}
