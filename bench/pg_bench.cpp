// The pending-list refresh and one execution on PostgreSQL over loopback: through the
// program's database layer, and the same statements sent bare with libpq, in the same run.
//   pg_bench [CONNECTION] [--documents N] [--runs N]
// CONNECTION is a "Provider=PostgreSQL;..." string of a server where the user may create
// databases; without one a throw-away server is started with scripts/pg-test-server.sh.
// The bench builds a demo database of its own (default 3000 documents, one busy day) and drops
// it at the end.
#include "common/core/Clock.h"
#include "db/Connection.h"
#include "db/ConnectionString.h"
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

struct Figures {
    std::vector<double> ms;
    void add(double v) { ms.push_back(v); }
    QString text() {
        std::sort(ms.begin(), ms.end());
        return QStringLiteral("min %1  median %2  max %3 ms")
            .arg(ms.front(), 0, 'f', 3)
            .arg(ms[ms.size() / 2], 0, 'f', 3)
            .arg(ms.back(), 0, 'f', 3);
    }
    double median() {
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    }
};

double timed(const std::function<bool()>& work, bool* ok) {
    QElapsedTimer t;
    t.start();
    *ok = work() && *ok;
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString server = qEnvironmentVariable("YJGL_TEST_PG");
    DemoOptions options;
    options.documents = 3000;
    int runs = 200;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--documents") && i + 1 < args.size())
            options.documents = args[++i].toInt();
        else if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(3, args[++i].toInt());
        else
            server = args[i];
    }
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
    PGconn* maintenance = bareConnection(withDatabase(server, QStringLiteral("postgres")));
    const auto dropDatabase = qScopeGuard([&] {
        gConn->close();
        bare(maintenance, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database));
        PQfinish(maintenance);
    });
    resetGlobalConnection(connection);
    PGconn* conn = bareConnection(connection);
    if (!gConn->open(&error) || PQstatus(conn) != CONNECTION_OK) {
        out << "connection: " << error.description << QString::fromUtf8(PQerrorMessage(conn)) << Qt::endl;
        return 1;
    }

    // The pending list of today, read field by field as the window reads it.
    const QDate today = Clock::today();
    const QString list = ExecutionSql::pendingList(kDept, today, today);
    const QString day = today.toString(QStringLiteral("yyyy-MM-dd"));
    const QString bareList =
        QStringLiteral("SELECT * FROM yj_list('%1','%2 00:00:00','%2 23:59:59')").arg(kDept, day);
    Figures layerList;
    Figures bareListFigures;
    int listed = 0;
    bool ok = true;
    for (int run = 0; run < runs + 5; ++run) {
        const double ours = timed(
            [&] {
                RecordsetPtr rs = gConn->execute(list, &error);
                if (!rs)
                    return false;
                int n = 0;
                for (rs->MoveFirst(); !rs->isEOF(); rs->MoveNext())
                    n += int(!rs->text(QStringLiteral("DH")).isEmpty() +
                             rs->text(QStringLiteral("XM")).size() + rs->text(QStringLiteral("LX")).size() +
                             rs->isNull(QStringLiteral("IsPrint")));
                listed = rs->RecordCount();
                return n > 0;
            },
            &ok);
        const double plain = timed(
            [&] {
                PGresult* r = PQexec(conn, bareList.toUtf8().constData());
                int n = 0;
                for (int row = 0; row < PQntuples(r); ++row)
                    for (int c = 0; c < 4; ++c)
                        n += int(qstrlen(PQgetvalue(r, row, c))) + PQgetisnull(r, row, c);
                const bool good = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == listed;
                PQclear(r);
                return good && n > 0;
            },
            &ok);
        if (run >= 5) { // the first runs warm the caches of both
            layerList.add(ours);
            bareListFigures.add(plain);
        }
    }
    if (!ok) {
        out << "the pending list failed: " << error.description << Qt::endl;
        return 1;
    }

    // One execution: record and procedure in one transaction, each side on documents of its own.
    const int executions = std::max(3, runs / 2);
    const QString written = day + QStringLiteral(" 07:00:00");
    for (int i = 0; i < 2 * executions; ++i) {
        const QString dh = QStringLiteral("B%1").arg(i, 6, 10, QLatin1Char('0'));
        ok = ok &&
             bare(conn, QStringLiteral("INSERT INTO mz_kfdj (DH, XM, KDRQ, SFBZ) VALUES ('%1','基准','%2',1);"
                                       "INSERT INTO MZ_KFDJMX (DH, BM, PM, SL, DJ, SSJE, SFBZ) "
                                       "VALUES ('%1','JY0001','血常规',1,20,20,1)")
                            .arg(dh, written));
    }
    const QString prefix = today.toString(QStringLiteral("yyyyMMdd"));
    Figures layerExec;
    Figures bareExec;
    for (int i = 0; ok && i < executions; ++i) {
        const QString ourDoc = QStringLiteral("B%1").arg(2 * i, 6, 10, QLatin1Char('0'));
        const QString bareDoc = QStringLiteral("B%1").arg(2 * i + 1, 6, 10, QLatin1Char('0'));
        const QString ourNumber = prefix + QString::number(50000 + 2 * i);
        const QString bareNumber = prefix + QString::number(50000 + 2 * i + 1);
        layerExec.add(timed(
            [&] {
                QString stored;
                return ExecuteDocument({ourNumber, ourDoc, QStringLiteral("张三"), QStringLiteral("李四"),
                                        kDept, QStringLiteral("基准")},
                                       &stored, &error);
            },
            &ok));
        bareExec.add(timed(
            [&] {
                int used = -1;
                const bool done =
                    bare(conn, QStringLiteral("BEGIN")) &&
                    bare(conn, ExecutionSql::executionNumberUsed(bareNumber), &used) && used == 0 &&
                    bare(conn, ExecutionSql::insertExecution(bareNumber, bareDoc, QStringLiteral("张三"),
                                                             QStringLiteral("李四"), kDept,
                                                             QStringLiteral("基准"))) &&
                    bare(conn, QStringLiteral("SELECT p_yjzx('%1','%2')").arg(bareDoc, kDept)) &&
                    bare(conn, QStringLiteral("COMMIT"));
                if (!done)
                    bare(conn, QStringLiteral("ROLLBACK"));
                return done;
            },
            &ok));
    }
    PQfinish(conn);
    if (!ok) {
        out << "an execution failed: " << error.description << Qt::endl;
        return 1;
    }
    out << "pending list (" << listed << " rows), " << runs << " runs" << Qt::endl;
    const double listRatio = layerList.median() / bareListFigures.median();
    out << "  database layer: " << layerList.text() << Qt::endl;
    out << "  bare libpq:     " << bareListFigures.text() << Qt::endl;
    out << "  median ratio:   " << QString::number(listRatio, 'f', 2) << Qt::endl;
    out << "one execution, " << executions << " runs" << Qt::endl;
    const double execRatio = layerExec.median() / bareExec.median();
    out << "  database layer: " << layerExec.text() << Qt::endl;
    out << "  bare libpq:     " << bareExec.text() << Qt::endl;
    out << "  median ratio:   " << QString::number(execRatio, 'f', 2) << Qt::endl;
    return 0;
}
