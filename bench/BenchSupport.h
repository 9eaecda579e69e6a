#pragma once

#include "common/core/Clock.h"

// What every benchmark shares: two sides measured in turns after a warm-up, their spread,
// the goal lines that scripts/bench.sh collects, and the bare sqlite3 C API as the side the
// client layer is held against.
#include "db/SqlTokenizer.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QVector>

#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace bench {

inline QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

// A benchmark's command line: words, and options written "--name value".
class Arguments {
public:
    explicit Arguments(const QStringList& args) {
        for (qsizetype i = 1; i < args.size(); ++i) {
            if (args.at(i).startsWith(QLatin1String("--")) && i + 1 < args.size()) {
                m_options.emplace_back(args.at(i), args.at(i + 1));
                ++i;
            } else {
                m_words.append(args.at(i));
            }
        }
    }
    // The words that are not options, in order.
    const QStringList& words() const { return m_words; }
    // The option's last value as a number, at least minimum; fallback when it is not given.
    int number(const QString& name, int fallback, int minimum = 0) const {
        const QStringList given = values(name);
        return given.isEmpty() ? fallback : std::max(minimum, given.last().toInt());
    }
    QStringList values(const QString& name) const {
        QStringList given;
        for (const auto& [option, value] : m_options)
            if (option == name)
                given.append(value);
        return given;
    }

private:
    QStringList m_words;
    std::vector<std::pair<QString, QString>> m_options;
};

struct Spread {
    double min = 0;
    double median = 0;
    double max = 0;
    int runs = 0;
};

inline Spread spreadOf(std::vector<double> ms) {
    Spread s;
    s.runs = int(ms.size());
    if (ms.empty())
        return s;
    std::sort(ms.begin(), ms.end());
    s.min = ms.front();
    s.max = ms.back();
    const size_t n = ms.size();
    s.median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    return s;
}

// One run of a side; false stops the measurement. The argument counts the side's runs,
// warm-up included, so that a side that uses something up (a pending document) takes the next.
using Side = std::function<bool(int)>;

struct Pair {
    Spread a;
    Spread b;
    bool complete = false;
};

// Each side runs `warmup` times unmeasured, then `runs` times measured; the sides take turns
// and go first every other round, so that neither profits from what the other just read.
// `beforeA` runs untimed before every run of a (to empty what a fills).
inline Pair alternate(int warmup, int runs, const Side& a, const Side& b,
                      const std::function<void()>& beforeA = {}) {
    std::vector<double> aMs, bMs;
    int aCount = 0, bCount = 0;
    const auto once = [&](const Side& side, int& count, std::vector<double>* into) {
        if (&side == &a && beforeA)
            beforeA();
        QElapsedTimer t;
        t.start();
        if (!side(count++))
            return false;
        if (into)
            into->push_back(double(t.nsecsElapsed()) / 1e6);
        return true;
    };
    Pair p;
    for (int i = 0; i < warmup + runs; ++i) {
        std::vector<double>* aInto = i < warmup ? nullptr : &aMs;
        std::vector<double>* bInto = i < warmup ? nullptr : &bMs;
        const bool ok = i % 2 == 0 ? once(a, aCount, aInto) && once(b, bCount, bInto)
                                   : once(b, bCount, bInto) && once(a, aCount, aInto);
        if (!ok) {
            p.a = spreadOf(aMs);
            p.b = spreadOf(bMs);
            return p;
        }
    }
    p.a = spreadOf(aMs);
    p.b = spreadOf(bMs);
    p.complete = true;
    return p;
}

inline void printSpread(const QString& side, const Spread& s) {
    out() << QStringLiteral("  %1 min %2 ms, median %3 ms, max %4 ms (%5 runs)\n")
                 .arg(side, -44)
                 .arg(s.min, 0, 'f', 3)
                 .arg(s.median, 0, 'f', 3)
                 .arg(s.max, 0, 'f', 3)
                 .arg(s.runs);
}

// Prints both sides and the goal line "NAME ratio R limit L" (ratio of the medians, a over b);
// true when the goal is met.
inline bool reportGoal(const QString& name, const QString& title, const QString& aSide, const QString& bSide,
                       const Pair& p, double limit) {
    out() << title << "\n";
    printSpread(aSide, p.a);
    printSpread(bSide, p.b);
    const double ratio = p.complete && p.b.median > 0 ? p.a.median / p.b.median : 999;
    if (!p.complete)
        out() << "  FAILED before all runs were done\n";
    out() << name << " ratio " << QString::number(ratio, 'f', 3) << " limit "
          << QString::number(limit, 'f', 2) << Qt::endl;
    return p.complete && ratio <= limit;
}

// The same work without the client layer: statements prepared once, bound by name, stepped,
// every value read.
class BareSqlite {
public:
    explicit BareSqlite(const QString& file) {
        // Opened as the client layer opens its connection (no mutex of its own), so that the
        // two sides differ by the layer only.
        if (sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK)
            return;
        sqlite3_busy_timeout(m_db, 10000);
        sqlite3_exec(m_db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        sqlite3_create_function_v2(m_db, "getdate", 0, SQLITE_UTF8, nullptr, &getdate, nullptr, nullptr,
                                   nullptr);
        sqlite3_create_function_v2(m_db, "yj_raise", 1, SQLITE_UTF8, nullptr, &raise, nullptr, nullptr,
                                   nullptr);
    }
    ~BareSqlite() {
        for (sqlite3_stmt* s : m_statements)
            sqlite3_finalize(s);
        sqlite3_close(m_db);
    }
    BareSqlite(const BareSqlite&) = delete;
    BareSqlite& operator=(const BareSqlite&) = delete;

    sqlite3* handle() const { return m_db; }
    QString lastError() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }

    // A prepared unit: its statements and the parameter names the values are given for.
    struct Unit {
        std::vector<sqlite3_stmt*> statements;
        QStringList params;
    };

    Unit prepare(const QStringList& texts, const QStringList& params) {
        Unit u;
        u.params = params;
        for (const QString& text : texts) {
            sqlite3_stmt* s = nullptr;
            if (sqlite3_prepare_v3(m_db, text.toUtf8().constData(), -1, SQLITE_PREPARE_PERSISTENT, &s,
                                   nullptr) != SQLITE_OK) {
                out() << "prepare failed: " << lastError() << "\n  " << text << Qt::endl;
                return {};
            }
            if (!s)
                continue;
            u.statements.push_back(s);
            m_statements.push_back(s);
        }
        return u;
    }

    // A stored procedure's body as the database holds it.
    Unit procedure(const QString& name) {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(m_db, "SELECT params, body FROM sys_procedures WHERE name = ?1", -1, &s, nullptr);
        const QByteArray n = name.toUtf8();
        sqlite3_bind_text(s, 1, n.constData(), int(n.size()), SQLITE_TRANSIENT);
        QStringList params, body;
        if (sqlite3_step(s) == SQLITE_ROW) {
            params = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))).split(',');
            body = SqlTokenizer::splitOnSemicolons(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 1))));
        }
        sqlite3_finalize(s);
        for (QString& p : params)
            p = p.trimmed();
        return prepare(body, params);
    }

    // Runs the unit with the values of its parameters and reads every value of every row as
    // text. The cells of the last statement that gives columns come back row after row (null
    // as ""); the result is its row count, -1 on failure.
    long run(const Unit& unit, const QStringList& values, std::vector<std::string>* cells = nullptr) {
        if (unit.statements.empty())
            return -1;
        long count = 0;
        std::vector<std::string> read;
        for (sqlite3_stmt* s : unit.statements) {
            for (int i = 1; i <= sqlite3_bind_parameter_count(s); ++i) {
                const int p = unit.params.indexOf(QString::fromUtf8(sqlite3_bind_parameter_name(s, i)));
                const QByteArray v = values.value(p).toUtf8();
                sqlite3_bind_text(s, i, v.constData(), int(v.size()), SQLITE_TRANSIENT);
            }
            const int columns = sqlite3_column_count(s);
            if (columns > 0) {
                read.clear();
                count = 0;
            }
            int rc;
            while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
                ++count;
                for (int c = 0; c < columns; ++c) {
                    const unsigned char* t = sqlite3_column_text(s, c);
                    read.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
                }
            }
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
            if (rc != SQLITE_DONE)
                return -1;
        }
        if (cells)
            *cells = std::move(read);
        return count;
    }

    // Runs the unit as run() does and reads the first `columns` cells of every row of its last
    // result into strings (null as ""), as a window reads the cells it shows; -1 on failure.
    long runInto(const Unit& unit, const QStringList& values, int columns, QVector<QStringList>* rows) {
        if (unit.statements.empty())
            return -1;
        for (sqlite3_stmt* s : unit.statements) {
            for (int i = 1; i <= sqlite3_bind_parameter_count(s); ++i) {
                const int p = unit.params.indexOf(QString::fromUtf8(sqlite3_bind_parameter_name(s, i)));
                const QByteArray v = values.value(p).toUtf8();
                sqlite3_bind_text(s, i, v.constData(), int(v.size()), SQLITE_TRANSIENT);
            }
            const int shown = std::min(columns, sqlite3_column_count(s));
            if (shown > 0)
                rows->clear();
            int rc;
            while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
                QStringList cells;
                cells.reserve(shown);
                for (int c = 0; c < shown; ++c)
                    cells.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, c)),
                                                   sqlite3_column_bytes(s, c)));
                rows->append(std::move(cells));
            }
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
            if (rc != SQLITE_DONE)
                return -1;
        }
        return long(rows->size());
    }

    bool exec(const QString& sql) {
        char* message = nullptr;
        const bool ok = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK;
        if (!ok)
            out() << "statement failed: " << (message ? message : "") << "\n  " << sql.left(200) << Qt::endl;
        sqlite3_free(message);
        return ok;
    }

    // The first column of the first row, as text ("" when there is none).
    QString value(const QString& sql) {
        sqlite3_stmt* s = nullptr;
        QString v;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW && sqlite3_column_text(s, 0))
            v = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        sqlite3_finalize(s);
        return v;
    }

private:
    static void getdate(sqlite3_context* c, int, sqlite3_value**) {
        const QByteArray t = Clock::secondsText(QDateTime::currentDateTime()).toLatin1();
        sqlite3_result_text(c, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
    static void raise(sqlite3_context* c, int, sqlite3_value** v) {
        sqlite3_result_error(c, reinterpret_cast<const char*>(sqlite3_value_text(v[0])), -1);
    }

    sqlite3* m_db = nullptr;
    std::vector<sqlite3_stmt*> m_statements;
};

} // namespace bench
