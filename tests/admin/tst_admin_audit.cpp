// "yjgl-admin audit" as IT staff run it: rows changed, deleted and inserted behind the
// program's back with the database's own tools are named by verify; the anchor catches a cut
// tail; the export is read back with libfreexl.
#include "common/core/Clock.h"
#include "db/Connection.h"
#include "db/audit/AuditStatements.h"
#include "db/audit/AuditTrail.h"
#include "support/TestFolder.h"

#include "../output/XlsReader.h"

#include <QProcess>
#include <QtTest>

#include <sqlite3.h>

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

// Statements run as somebody with the database's own tools would: the triggers dropped first.
bool tamper(const QString& file, const QString& sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open(file.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    const QString all = QStringLiteral("DROP TRIGGER IF EXISTS YJGL_LOG_NO_UPDATE;"
                                       "DROP TRIGGER IF EXISTS YJGL_LOG_NO_DELETE;") +
                        sql;
    const int rc = sqlite3_exec(db, all.toUtf8().constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc == SQLITE_OK;
}

} // namespace

class AdminAuditTest : public QObject {
    Q_OBJECT

private:
    TestFolder m_folder;
    QString m_db;
    QString m_pristine;

    Result admin(const QStringList& args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("YJGL_HOME"), m_folder.path());
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(env);
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/yjgl-admin"),
                      QStringList{QStringLiteral("audit")} + args);
        if (!process.waitForFinished(120000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private slots:
    // One demo database with six rows of the trail, copied afresh for every test.
    void initTestCase() {
        QProcess init;
        init.start(QCoreApplication::applicationDirPath() + QStringLiteral("/yjgl-admin"),
                   {QStringLiteral("init-demo"), m_folder.path(), QStringLiteral("--documents"),
                    QStringLiteral("5")});
        QVERIFY(init.waitForFinished(120000) && init.exitCode() == 0);
        m_db = m_folder.file(QStringLiteral("hospital.db"));
        m_pristine = m_folder.file(QStringLiteral("pristine.db"));
        resetGlobalConnection(QStringLiteral("Provider=SQLite;Data Source=%1;").arg(m_db));
        QVERIFY(gConn->open());
        Clock::setFixedNow(QDateTime(QDate(2026, 12, 7), QTime(9, 30)));
        for (int i = 1; i <= 6; ++i) {
            AppError error;
            QVERIFY(AuditTrail::appendAlone({QStringLiteral("李检验"),
                                             QStringLiteral("检验科"),
                                             AuditAction::Execute,
                                             QStringLiteral("D%1").arg(i),
                                             {}},
                                            &error));
        }
        Clock::setFixedNow({});
        gConn->close();
        QVERIFY(QFile::copy(m_db, m_pristine));
    }
    void init() {
        QFile::remove(m_db);
        QVERIFY(QFile::copy(m_pristine, m_db));
    }

    void verifyPassesAnUntouchedChain() {
        const Result r = admin({QStringLiteral("verify")});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("共 6 条")), qPrintable(r.out));
    }

    void verifyNamesTheFirstBadRow_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("named");
        QTest::newRow("changed") << "UPDATE YJGL_LOG SET CZY = '王影像' WHERE XH = 3; "
                                    "UPDATE YJGL_LOG SET XQ = 'x' WHERE XH = 5;"
                                 << "第 3 条操作日志已被改动";
        QTest::newRow("deleted") << "DELETE FROM YJGL_LOG WHERE XH = 2;"
                                 << "第 2 条操作日志已被删除";
        // A row of somebody's own making, its digest fitting its content, chained to row 2.
        QTest::newRow("inserted") << "INSERT INTO YJGL_LOG (XH,CZSJ,CZY,KSMC,GZZ,CZ,DH,XQ,QZY,ZY) SELECT "
                                     "7,CZSJ,CZY,KSMC,GZZ,CZ,DH,XQ,"
                                     "ZY,ZY FROM YJGL_LOG WHERE XH = 2;"
                                  << "第 7 条操作日志";
    }
    void verifyNamesTheFirstBadRow() {
        QFETCH(QString, sql);
        QFETCH(QString, named);
        QVERIFY(tamper(m_db, sql));
        const Result r = admin({QStringLiteral("verify")});
        QCOMPARE(r.status, 3);
        QVERIFY2(r.err.contains(named), qPrintable(r.err));
    }

    void anchorCatchesACutTail() {
        const QString anchor = m_folder.file(QStringLiteral("anchor.txt"));
        Result r = admin({QStringLiteral("anchor"), anchor});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY(admin({QStringLiteral("verify"), QStringLiteral("--anchor"), anchor}).status == 0);
        QVERIFY(tamper(m_db, QStringLiteral("DELETE FROM YJGL_LOG WHERE XH = 6;")));
        // Without the anchor the shorter chain still holds; with it the missing row shows.
        QCOMPARE(admin({QStringLiteral("verify")}).status, 0);
        r = admin({QStringLiteral("verify"), QStringLiteral("--anchor"), anchor});
        QCOMPARE(r.status, 3);
        QVERIFY2(r.err.contains(QStringLiteral("第 6 条")), qPrintable(r.err));
    }

    void exportWritesTheRowsOfThePeriod() {
        const QString file = m_folder.file(QStringLiteral("log.xls"));
        const Result r =
            admin({QStringLiteral("export"), file, QStringLiteral("--from"), QStringLiteral("2026-12-07"),
                   QStringLiteral("--to"), QStringLiteral("2026-12-07")});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const QVector<XlsSheet> sheets = readXls(file);
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets[0].rows.size(), 7); // the heading row, then six rows
        QCOMPARE(sheets[0].rows[6].value(6), QStringLiteral("D6"));
        QVERIFY(
            admin({QStringLiteral("export"), file, QStringLiteral("--from"), QStringLiteral("2026-12-08")})
                .status == 0);
        QCOMPARE(readXls(file).value(0).rows.size(), 1);
    }

    void installAddsTheTableOnce() {
        QVERIFY(tamper(m_db, QStringLiteral("DROP TABLE YJGL_LOG;")));
        Result r = admin({QStringLiteral("verify")});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("audit install")), qPrintable(r.err));
        r = admin({QStringLiteral("install")});
        QVERIFY2(r.status == 0 && r.out.contains(QStringLiteral("已建立")), qPrintable(r.err));
        r = admin({QStringLiteral("install")});
        QVERIFY2(r.status == 0 && r.out.contains(QStringLiteral("未作改动")), qPrintable(r.err));
        QCOMPARE(admin({QStringLiteral("verify")}).status, 0);
    }
};

QTEST_GUILESS_MAIN(AdminAuditTest)
#include "tst_admin_audit.moc"
