// The pending-list refresh and one execution on PostgreSQL over loopback: through the
// program's database layer, and the same statements sent bare with libpq, in the same run.
// Then the pending statement against its goals, both sides bare: 500 pending today against the
// statement and indexes of the schema before the pending-item indexes (on a copy of the
// database made with that schema), and 50 pending among 30,000 documents of other departments
// against the same 50 among 3,000. Each goal prints min/median/max of both sides and the line
// "NAME ratio R limit L"; the exit code is 1 when a ratio is over its limit.
//   pg_bench [CONNECTION] [--documents N] [--runs N]
// CONNECTION is a "Provider=PostgreSQL;..." string of a server where the user may create
// databases; without one a throw-away server is started with scripts/pg-test-server.sh.
// The bench builds a demo database of its own (default 1,000,000 documents, as the SQLite
// benches' database) with its departments 基准科 and 基准小科 and a busy day, and drops it and
// the copy at the end. The list and the execution are held against bare libpq, the sides taking
// turns after a warm-up.
#include "bench/BaselineSchema.h"
#include "bench/BenchSupport.h"
#include "common/core/Clock.h"
#include "db/Connection.h"
#include "db/ConnectionString.h"
#include "db/PostgresDatabase.h"
#include "db/StatementTimeout.h"
#include "db/audit/AuditStatements.h"
#include "db/audit/AuditTrail.h"
#include "db/demo/DemoDatabase.h"
#include "execution/core/ExecutionService.h"
#include "execution/core/ExecutionStatements.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <libpq-fe.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

QTextStream out(stdout);
const QString kDept = QStringLiteral("检验科");

QString withDatabase(const QString& connection, const QString& database) {
    QString text;
    for (const QString& part : connection.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString key = part.section(QLatin1Char('='), 0, 0).trimmed().toLower();
        if (key != u"initial catalog" && key != u"database")
            text += part + QLatin1Char(';');
    }
    return text + QStringLiteral("Initial Catalog=") + database + QLatin1Char(';');
}

PGconn* bareConnection(const QString& connection) {
    const ConnectionString cs = ConnectionString::parse(connection);
    const QByteArray host = cs.postgresHost().toUtf8();
    const QByteArray port = QByteArray::number(cs.postgresPort());
    const QByteArray db = cs.value(QStringLiteral("initial catalog")).toUtf8();
    const QByteArray user = cs.value(QStringLiteral("user id")).toUtf8();
    const QByteArray password = cs.value(QStringLiteral("password")).toUtf8();
    const char* keys[] = {"host", "port", "dbname", "user", "password", "client_encoding", nullptr};
    const char* values[] = {host.constData(),     port.constData(), db.constData(), user.constData(),
                            password.constData(), "UTF8",           nullptr};
    return PQconnectdbParams(keys, values, 0);
}

bool bare(PGconn* conn, const QString& sql, int* rows = nullptr) {
    PGresult* r = PQexec(conn, sql.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(r);
    const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!ok)
        out << "libpq: " << QString::fromUtf8(PQerrorMessage(conn)) << Qt::endl;
    if (rows)
        *rows = PQntuples(r);
    PQclear(r);
    return ok;
}

const QString kListDept = QStringLiteral("基准科");
const QString kSmallDept = QStringLiteral("基准小科");
constexpr int kPending = 500;
constexpr int kFew = 50;

QString day(const QDate& d) {
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

// The bench's departments with their pending documents: 500 of 基准科 today, 50 of 基准小科 on
// a busy day and 50 on a quiet one; the busy day is topped up to 30,000 documents of the demo
// departments (three items each, most pending), the quiet one to 3,000.
bool addBenchDocuments(PGconn* conn, const QDate& today, const QDate& busy, const QDate& quiet) {
    const auto pending = [&](const QString& prefix, const QString& code, const QDate& d, int n) {
        const QString numbers = QStringLiteral("FROM generate_series(0, %1) i").arg(n - 1);
        const QString dh = QStringLiteral("'%1' || lpad(i::text, 6, '0')").arg(prefix);
        return bare(conn,
                    QStringLiteral("INSERT INTO mz_kfdj (DH, XM, XB, NL, KDYS, KDRQ, SFBZ) SELECT %1, "
                                   "'基准患者', '女', '30岁', '基准医生', timestamp '%2 08:00:00' + i * "
                                   "interval '1 second', 1 %3")
                        .arg(dh, day(d), numbers)) &&
               bare(conn, QStringLiteral("INSERT INTO MZ_KFDJMX (DH, GroupYP, BM, PM, GG, DW, SL, DJ, SSJE, "
                                         "SFBZ) SELECT %1, 1, '%2', '基准检查', '次', '次', 1, 10, 10, 1 %3")
                              .arg(dh, code, numbers));
    };
    const auto others = [&](const QDate& d, int want) {
        const QString range = QStringLiteral("KDRQ BETWEEN '%1 00:00:00' AND '%1 23:59:59'").arg(day(d));
        PGresult* r = PQexec(conn, QStringLiteral("SELECT (SELECT count(*) FROM mz_kfdj WHERE %1) + "
                                                  "(SELECT count(*) FROM ZY_KFDJ WHERE %1)")
                                       .arg(range)
                                       .toUtf8()
                                       .constData());
        const int missing = want - (PQntuples(r) == 1 ? atoi(PQgetvalue(r, 0, 0)) : want);
        PQclear(r);
        if (missing <= 0)
            return true;
        const QString dh =
            QStringLiteral("'F%1' || lpad(i::text, 6, '0')").arg(d.toString(QStringLiteral("MMdd")));
        const QString numbers = QStringLiteral("FROM generate_series(0, %1) i").arg(missing - 1);
        return bare(conn,
                    QStringLiteral("INSERT INTO mz_kfdj (DH, XM, XB, NL, KDYS, KDRQ, SFBZ) SELECT %1, "
                                   "'其他患者', '男', '40岁', '其他医生', timestamp '%2 07:00:00' + i / 3 * "
                                   "interval '1 second', 1 %3")
                        .arg(dh, day(d), numbers)) &&
               bare(conn,
                    QStringLiteral("CREATE TEMP TABLE cat AS SELECT YPBM, row_number() OVER (ORDER BY "
                                   "YPBM) - 1 AS r FROM YF_YPML WHERE YPBM NOT LIKE 'BENCH%'; "
                                   "INSERT INTO MZ_KFDJMX (DH, GroupYP, BM, SL, DJ, SSJE, SFBZ, ZXBZ) "
                                   "SELECT %1, 1, YPBM, 1, 10, 10, 1, ((i * 3 + k) % 10 < 3)::int %2 "
                                   "CROSS JOIN generate_series(0, 2) k JOIN cat ON r = (i * 7 + k * 13) "
                                   "% (SELECT count(*) FROM cat); DROP TABLE cat")
                        .arg(dh, numbers));
    };
    return bare(conn, QStringLiteral("BEGIN")) &&
           bare(conn,
                QStringLiteral("INSERT INTO YF_YPML (YPBM, YPMC, GG, DW, DJ, LX, ZXKS, KCL, SFJKC, CLB) "
                               "VALUES ('BENCH01', '基准检查', '次', '次', 10, '检查', '%1', 0, 0, 1), "
                               "('BENCH02', '基准检查', '次', '次', 10, '检查', '%2', 0, 0, 1)")
                    .arg(kListDept, kSmallDept)) &&
           pending(QStringLiteral("BA"), QStringLiteral("BENCH01"), today, kPending) &&
           pending(QStringLiteral("BS"), QStringLiteral("BENCH02"), busy, kFew) &&
           pending(QStringLiteral("BQ"), QStringLiteral("BENCH02"), quiet, kFew) && others(busy, 30000) &&
           others(quiet, 3000) && bare(conn, QStringLiteral("COMMIT")) &&
           bare(conn, QStringLiteral("ANALYZE"));
}

// Turns a copy of the database into the schema before the pending-item indexes: its indexes
// (every index made with CREATE INDEX is dropped first; the keys stay) and its YJ_List.
bool makeBaseline(PGconn* conn) {
    QString sql = QStringLiteral(
        "DO $$ DECLARE r record; BEGIN FOR r IN SELECT i.indexrelid::regclass AS name FROM pg_index i "
        "JOIN pg_class c ON c.oid = i.indrelid WHERE c.relnamespace = current_schema()::regnamespace "
        "AND NOT i.indisprimary LOOP EXECUTE 'DROP INDEX ' || r.name; END LOOP; END $$;");
    for (const char* index : BaselineSchema::kIndexes)
        sql += QString::fromUtf8(index) + QLatin1Char(';');
    return bare(conn, sql) && bare(conn, QString::fromUtf8(BaselineSchema::kPostgresYjList)) &&
           bare(conn, QStringLiteral("ANALYZE"));
}

// One side of a goal: the statement sent bare, every value read; true when it gives `rows` rows.
bench::Side listing(PGconn* conn, const QString& dept, const QDate& d, int rows) {
    const QByteArray sql =
        QStringLiteral("SELECT * FROM yj_list('%1','%2 00:00:00','%2 23:59:59')").arg(dept, day(d)).toUtf8();
    return [conn, sql, rows](int) {
        PGresult* r = PQexec(conn, sql.constData());
        int n = 0;
        for (int row = 0; row < PQntuples(r); ++row)
            for (int c = 0; c < PQnfields(r); ++c)
                n += int(qstrlen(PQgetvalue(r, row, c))) + PQgetisnull(r, row, c);
        const bool good = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == rows && n > 0;
        PQclear(r);
        return good;
    };
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString server = qEnvironmentVariable("YJGL_TEST_PG");
    DemoOptions options;
    options.documents = 1000000;
    const bench::Arguments args(app.arguments());
    options.documents = args.number(QStringLiteral("--documents"), options.documents);
    const int runs = args.number(QStringLiteral("--runs"), 200, 3);
    if (!args.words().isEmpty())
        server = args.words().last();
    QTemporaryDir ownServer;
    const QString script = QStringLiteral(YJGL_SOURCE_DIR "/scripts/pg-test-server.sh");
    const QString cluster = ownServer.path() + QStringLiteral("/cluster");
    if (server.isEmpty()) {
        QFile::setPermissions(ownServer.path(), QFile::permissions(ownServer.path()) | QFileDevice::ExeOther);
        QProcess start;
        start.start(QStringLiteral("bash"), {script, QStringLiteral("start"), cluster});
        start.waitForFinished(120000);
        server = QString::fromUtf8(start.readAllStandardOutput()).trimmed();
        if (start.exitCode() != 0 || server.isEmpty()) {
            out << "cannot start a PostgreSQL server: " << start.readAllStandardError() << Qt::endl;
            return 1;
        }
    }
    const auto stopOwnServer = qScopeGuard([&] {
        if (QFileInfo::exists(cluster))
            QProcess::execute(QStringLiteral("bash"), {script, QStringLiteral("stop"), cluster});
    });

    const QString database = QStringLiteral("yjgl_bench_%1").arg(QCoreApplication::applicationPid());
    const QString connection = withDatabase(server, database);
    AppError error;
    QElapsedTimer timer;
    timer.start();
    if (!DemoDatabase::createOnServer(connection, options, &error)) {
        out << "demo database: " << error.description << Qt::endl;
        return 1;
    }
    out << "demo database of " << options.documents << " documents on the server in " << timer.elapsed()
        << " ms" << Qt::endl;
    const QString baseline = database + QStringLiteral("_before");
    PGconn* maintenance = bareConnection(withDatabase(server, QStringLiteral("postgres")));
    const auto dropDatabase = qScopeGuard([&] {
        gConn->close();
        bare(maintenance, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database));
        bare(maintenance, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(baseline));
        PQfinish(maintenance);
    });
    const QDate today = Clock::today();
    const QDate busyDay = today.addDays(-2);
    const QDate quietDay = today.addDays(-3);
    {
        timer.restart();
        PGconn* setup = bareConnection(connection);
        const bool added = addBenchDocuments(setup, today, busyDay, quietDay);
        PQfinish(setup); // the copy below needs the database without sessions
        PGconn* copy = nullptr;
        const bool copied =
            added &&
            bare(maintenance, QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(baseline, database)) &&
            makeBaseline(copy = bareConnection(withDatabase(server, baseline)));
        PQfinish(copy);
        if (!copied) {
            out << "cannot add the bench's documents or make the copy with the schema before" << Qt::endl;
            return 1;
        }
        out << "bench documents and the copy with the schema before made in " << timer.elapsed() << " ms"
            << Qt::endl;
    }
    resetGlobalConnection(connection);
    PGconn* conn = bareConnection(connection);
    if (!gConn->open(&error) || PQstatus(conn) != CONNECTION_OK) {
        out << "connection: " << error.description << QString::fromUtf8(PQerrorMessage(conn)) << Qt::endl;
        return 1;
    }

    // Both sides take turns after a warm-up (bench::alternate), so that neither profits from
    // what the other just read.
    const int warmup = 5;

    // The pending list of today, the cells the window shows read into strings on both sides.
    const QString list = ExecutionSql::pendingList(kDept, today, today);
    const QString day = today.toString(QStringLiteral("yyyy-MM-dd"));
    const QByteArray bareList =
        QStringLiteral("SELECT * FROM yj_list('%1','%2 00:00:00','%2 23:59:59')").arg(kDept, day).toUtf8();
    int listed = -1;
    const bench::Side layerList = [&](int) {
        RecordsetPtr rs = gConn->execute(list, &error);
        if (!rs)
            return false;
        const int dh = rs->fieldIndex(QStringLiteral("DH"));
        const int xm = rs->fieldIndex(QStringLiteral("XM"));
        const int lx = rs->fieldIndex(QStringLiteral("LX"));
        const int printed = rs->fieldIndex(QStringLiteral("IsPrint"));
        QVector<QStringList> rows(rs->RecordCount());
        int nulls = 0;
        for (int i = 0; i < rs->RecordCount(); ++i) {
            rows[i] = {rs->cellText(i, dh), rs->cellText(i, xm), rs->cellText(i, lx)};
            nulls += Recordset::isNullValue(rs->cellValue(i, printed));
        }
        listed = rs->RecordCount();
        return listed > 0 && nulls >= 0;
    };
    const bench::Side bareListSide = [&](int) {
        PGresult* r = PQexec(conn, bareList.constData());
        const bool good = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == listed;
        QVector<QStringList> rows(PQntuples(r));
        int nulls = 0;
        for (int row = 0; row < PQntuples(r); ++row) {
            QStringList& cells = rows[row];
            for (int c = 0; c < 3; ++c)
                cells.append(QString::fromUtf8(PQgetvalue(r, row, c), PQgetlength(r, row, c)));
            nulls += PQgetisnull(r, row, 3);
        }
        PQclear(r);
        return good && nulls >= 0;
    };
    if (!layerList(0)) {
        out << "the pending list failed: " << error.description << Qt::endl;
        return 1;
    }
    bool met =
        bench::reportGoal(QStringLiteral("pg_list"),
                          QStringLiteral("pending list of %1 rows, shown cells into strings").arg(listed),
                          QStringLiteral("database layer"), QStringLiteral("bare libpq"),
                          bench::alternate(warmup, runs, layerList, bareListSide), 1.3);

    // One execution: record and procedure in one transaction, each side on documents of its own.
    const int executions = std::max(3, runs / 2);
    const QString written = day + QStringLiteral(" 07:00:00");
    bool ok = true;
    for (int i = 0; i < 2 * (executions + warmup); ++i) {
        const QString dh = QStringLiteral("B%1").arg(i, 6, 10, QLatin1Char('0'));
        ok = ok &&
             bare(conn, QStringLiteral("INSERT INTO mz_kfdj (DH, XM, KDRQ, SFBZ) VALUES ('%1','基准','%2',1);"
                                       "INSERT INTO MZ_KFDJMX (DH, BM, PM, SL, DJ, SSJE, SFBZ) "
                                       "VALUES ('%1','JY0001','血常规',1,20,20,1)")
                            .arg(dh, written));
    }
    if (!ok) {
        out << "cannot add the documents to execute" << Qt::endl;
        return 1;
    }
    const QString prefix = today.toString(QStringLiteral("yyyyMMdd"));
    const auto document = [](int i) { return QStringLiteral("B%1").arg(i, 6, 10, QLatin1Char('0')); };
    const auto number = [&prefix](int i) { return prefix + QString::number(50000 + i); };
    const bench::Side layerExec = [&](int i) {
        QString stored;
        return ExecuteDocument({number(2 * i), document(2 * i), QStringLiteral("张三"),
                                QStringLiteral("李四"), kDept, QStringLiteral("基准")},
                               &stored, &error);
    };
    // The bare side sends what the program sends: the write turn with BEGIN, and the execution's
    // audit row (the chain's head read, the row's digest, the row).
    const QString writeTurn =
        PostgresDatabase::beginSteps(StatementTimeout::milliseconds()).join(QStringLiteral("; "));
    const auto auditRow = [&](const QString& numberText, const QString& dh) {
        PGresult* head = PQexec(conn, "SELECT XH, ZY FROM YJGL_LOG ORDER BY XH DESC LIMIT 1");
        const bool read = PQresultStatus(head) == PGRES_TUPLES_OK;
        const bool empty = !read || PQntuples(head) == 0;
        const AuditRow row =
            AuditTrail::nextRow({QStringLiteral("张三"), kDept, AuditAction::Execute, dh,
                                 QStringLiteral("执行号%1，复核人%2，病人%3")
                                     .arg(numberText, QStringLiteral("李四"), QStringLiteral("基准"))},
                                empty ? 0 : QByteArray(PQgetvalue(head, 0, 0)).toLongLong(),
                                empty ? QString() : QString::fromUtf8(PQgetvalue(head, 0, 1)).trimmed());
        PQclear(head);
        return read && bare(conn, AuditSql::insert(row));
    };
    const bench::Side bareExec = [&](int i) {
        const QString bareNumber = number(2 * i + 1);
        const QString bareDoc = document(2 * i + 1);
        int used = -1;
        const bool done =
            bare(conn, writeTurn) && bare(conn, ExecutionSql::executionNumberUsed(bareNumber), &used) &&
            used == 0 &&
            bare(conn,
                 ExecutionSql::insertExecution(bareNumber, bareDoc, QStringLiteral("张三"),
                                               QStringLiteral("李四"), kDept, QStringLiteral("基准"))) &&
            bare(conn, QStringLiteral("SELECT p_yjzx('%1','%2')").arg(bareDoc, kDept)) &&
            auditRow(bareNumber, bareDoc) && bare(conn, QStringLiteral("COMMIT"));
        if (!done)
            bare(conn, QStringLiteral("ROLLBACK"));
        return done;
    };
    const bench::Pair execution = bench::alternate(warmup, executions, layerExec, bareExec);
    if (!execution.complete)
        out << "an execution failed: " << error.description << Qt::endl;
    met &= bench::reportGoal(QStringLiteral("pg_execution"),
                             QStringLiteral("one execution (number check, record, p_yjzx, commit)"),
                             QStringLiteral("ExecuteDocument"), QStringLiteral("bare libpq"), execution, 1.3);
    PQfinish(conn);

    // The goals of the pending statement, both sides bare, in turns after a warm-up.
    PGconn* now = bareConnection(connection);
    PGconn* before = bareConnection(withDatabase(server, baseline));
    met &= bench::reportGoal(
        QStringLiteral("pg_statement_500_vs_before"),
        QStringLiteral("yj_list, %1 pending today, against the schema before").arg(kPending),
        QStringLiteral("yj_list"), QStringLiteral("yj_list of the schema before"),
        bench::alternate(warmup, runs, listing(now, kListDept, today, kPending),
                         listing(before, kListDept, today, kPending)),
        0.7);
    met &= bench::reportGoal(
        QStringLiteral("pg_statement_50_among_30000"),
        QStringLiteral("yj_list, %1 pending among 30,000 and among 3,000 documents of the day").arg(kFew),
        QStringLiteral("among 30,000"), QStringLiteral("among 3,000"),
        bench::alternate(warmup, runs, listing(now, kSmallDept, busyDay, kFew),
                         listing(now, kSmallDept, quietDay, kFew)),
        1.5);
    PQfinish(now);
    PQfinish(before);
    return met ? 0 : 1;
}
