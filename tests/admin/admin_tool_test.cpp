// yjgl-admin, run as the IT staff run it.
#include "common/core/AES.h"
#include "common/core/AnsiCodec.h"
#include "db/Connection.h"
#include "support/TestEngine.h"
#include "support/TestFolder.h"

#include <QtTest>

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

Result admin(const QStringList& args, const QString& home = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!home.isEmpty())
        env.insert(QStringLiteral("YJGL_HOME"), home);
    process.setProcessEnvironment(env);
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/yjgl-admin"), args);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class AdminToolTest : public QObject {
    Q_OBJECT

private:
    TestFolder m_folder;

private slots:
    void initDemoWritesDatabaseAndSettings() {
        const Result r = admin({QStringLiteral("init-demo"), m_folder.path(), QStringLiteral("--documents"),
                                QStringLiteral("60")});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const QString db = QFileInfo(m_folder.file(QStringLiteral("hospital.db"))).absoluteFilePath();
        QVERIFY(QFile::exists(db));
        // Record 1: a 16-bit little-endian length, then the GBK text.
        const QByteArray settings = m_folder.readBytes(QStringLiteral("DatabaseSet.data"));
        const QByteArray expected =
            AnsiCodec::encode(QStringLiteral("Provider=SQLite;Data Source=%1;").arg(db));
        QVERIFY(settings.size() >= 2 + expected.size());
        QCOMPARE(int(quint8(settings[0])) | int(quint8(settings[1])) << 8, int(expected.size()));
        QCOMPARE(settings.mid(2, expected.size()), expected);
    }

    // An existing database is replaced only when asked, and never under a workstation.
    void initDemoKeepsAnExistingDatabase() {
        const QString db = m_folder.file(QStringLiteral("hospital.db"));
        const auto users = [&] {
            return admin({QStringLiteral("query"), QStringLiteral("select count(*) AS N from userdb")},
                         m_folder.path())
                .out;
        };
        QVERIFY(
            admin({QStringLiteral("query"), QStringLiteral("insert into userdb(username) values('新用户')")},
                  m_folder.path())
                .status == 0);
        const QString before = users();
        Result r = admin({QStringLiteral("init-demo"), m_folder.path(), QStringLiteral("--documents"),
                          QStringLiteral("5")});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("--replace")), qPrintable(r.err));
        QCOMPARE(users(), before);

        Connection workstation;
        workstation.setConnectionString(QStringLiteral("Provider=SQLite;Data Source=%1;").arg(db));
        QVERIFY(workstation.open());
        r = admin({QStringLiteral("init-demo"), m_folder.path(), QStringLiteral("--replace"),
                   QStringLiteral("--documents"), QStringLiteral("5")});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("正被其他程序使用")), qPrintable(r.err));
        QVERIFY(workstation.execute(QStringLiteral("select count(*) from userdb")));
        workstation.close();
        QCOMPARE(users(), before);

        r = admin({QStringLiteral("init-demo"), m_folder.path(), QStringLiteral("--replace"),
                   QStringLiteral("--documents"), QStringLiteral("5")});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY(users() != before);
    }

    void queryRunsExactlyOneStatement() {
        const auto count = [&] {
            return admin({QStringLiteral("query"), QStringLiteral("select count(*) AS N from CS")},
                         m_folder.path())
                .out;
        };
        const QString before = count();
        const Result r =
            admin({QStringLiteral("query"), QStringLiteral("select count(*) from CS; delete from CS")},
                  m_folder.path());
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(QStringLiteral("只能执行一条语句")), qPrintable(r.err));
        QCOMPARE(count(), before);
    }

    void commandsNameWhatIsWrong() {
        Result r = admin({QStringLiteral("lunar"), QStringLiteral("2026-02-30")});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(QStringLiteral("没有这一天")), qPrintable(r.err));

        const QString slip = m_folder.file(QStringLiteral("slip.pdf"));
        r = admin({QStringLiteral("slip"), QStringLiteral("X1"), slip, QStringLiteral("--dept"),
                   QStringLiteral("不存在的科室")},
                  m_folder.path());
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("不存在的科室")), qPrintable(r.err));
        QVERIFY(!QFile::exists(slip));

        r = admin({QStringLiteral("restore"), m_folder.file(QStringLiteral("hospital.db"))}, m_folder.path());
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("数据库文件本身")), qPrintable(r.err));

        // IT points a program folder at a server; backups there are the server's business.
        TestFolder server;
        r = admin({QStringLiteral("connection"),
                   QStringLiteral(
                       "Provider=PostgreSQL;Data Source=db.local;Initial Catalog=yj;User ID=u;Password=p;")},
                  server.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        for (const QString& command : {QStringLiteral("backup"), QStringLiteral("restore")}) {
            r = admin({command, server.file(QStringLiteral("copy.db"))}, server.path());
            QCOMPARE(r.status, 1);
            QVERIFY2(r.err.contains(QStringLiteral("pg_dump")), qPrintable(r.err));
        }
        r = admin({QStringLiteral("connection"), QStringLiteral("Provider=Other;")}, server.path());
        QCOMPARE(r.status, 2);
        const QByteArray settings = server.readBytes(QStringLiteral("DatabaseSet.data"));
        QVERIFY(settings.mid(2).startsWith("Provider=PostgreSQL;Data Source=db.local;"));
        QVERIFY(settings.mid(128 + 2).startsWith("db.local"));
    }

    // The same on a PostgreSQL server: the settings point at it, and the tool's queries run there.
    void initDemoOnAPostgresServer() {
        if (TestEngine::serverConnection().isEmpty())
            QSKIP("no PostgreSQL test server (YJGL_TEST_PG)");
        TestFolder folder;
        const QString database = QStringLiteral("yjgl_admin_%1").arg(QCoreApplication::applicationPid());
        TestEngine::dropServerDatabase(database);
        const auto drop = qScopeGuard([&] { TestEngine::dropServerDatabase(database); });
        const QString connection = TestEngine::serverConnectionTo(database);
        Result r = admin({QStringLiteral("init-demo"), folder.path(), QStringLiteral("--connection"),
                          connection, QStringLiteral("--documents"), QStringLiteral("20")});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const QByteArray expected = AnsiCodec::encode(connection);
        QCOMPARE(folder.readBytes(QStringLiteral("DatabaseSet.data")).mid(2, expected.size()), expected);
        r = admin({QStringLiteral("query"),
                   QStringLiteral("select top 2 DMMC,DM from CS where ControlID Like'zxks' order by id")},
                  folder.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(r.out, QStringLiteral("DMMC\tDM\n检验科\tJYK\n放射科\tFSK\n"));
        // A database that holds the tables already is left alone.
        r = admin({QStringLiteral("init-demo"), folder.path(), QStringLiteral("--connection"), connection});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QStringLiteral("userdb")));
        r = admin({QStringLiteral("init-demo"), folder.path(), QStringLiteral("--connection"),
                   QStringLiteral("Provider=SQLite;Data Source=x.db;")});
        QCOMPARE(r.status, 2);
    }

    void queryPrintsHeadingAndRows() {
        Result r =
            admin({QStringLiteral("query"),
                   QStringLiteral("select top 2 DMMC,DM from CS where ControlID Like'ZXKS' order by id")},
                  m_folder.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(r.out, QStringLiteral("DMMC\tDM\n检验科\tJYK\n放射科\tFSK\n"));
        r = admin({QStringLiteral("query"),
                   QStringLiteral("Update QKZL_CONFIG Set BZ='x' Where Item_Name Like'ZDFY'")},
                  m_folder.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("已写入 1 行\n"));
        r = admin({QStringLiteral("query"), QStringLiteral("select count(*) AS N from mz_kfdj where 1=0")},
                  m_folder.path());
        QCOMPARE(r.out, QStringLiteral("N\n0\n"));
        // A procedure runs through the same client layer as the windows.
        r = admin({QStringLiteral("query"),
                   QStringLiteral("exec YJ_List '检验科','2000-01-01 00:00:00','2000-01-01 23:59:59'")},
                  m_folder.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(r.out, QStringLiteral("DH\tXM\tLX\tIsPrint\n"));
    }

    void queryFailuresGoToStandardError() {
        Result r =
            admin({QStringLiteral("query"), QStringLiteral("select * from no_such_table")}, m_folder.path());
        QVERIFY(r.status != 0);
        QVERIFY(r.out.isEmpty());
        QVERIFY(!r.err.isEmpty());
        TestFolder empty;
        r = admin({QStringLiteral("query"), QStringLiteral("select 1")}, empty.path());
        QVERIFY(r.status != 0);
        QVERIFY(r.err.contains(QStringLiteral("DatabaseSet.data")));
    }

    void unitNameIsStoredEnciphered() {
        Result r =
            admin({QStringLiteral("unit-name"), QStringLiteral("城西社区卫生服务站")}, m_folder.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        r = admin({QStringLiteral("query"), QStringLiteral("select DWMC from HosPitalInfo")},
                  m_folder.path());
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(AES().JMiMa(lines[1]), QStringLiteral("城西社区卫生服务站"));
    }

    // A workstation keeps working during the backup; the restore waits until it has gone.
    void backupWhileInUseAndRestoreWhenAlone() {
        const QString db = m_folder.file(QStringLiteral("hospital.db"));
        const QString copy = m_folder.file(QStringLiteral("copy.db"));
        const QString setZdfy = QStringLiteral("Update QKZL_CONFIG Set BZ='%1' Where Item_Name Like'ZDFY'");
        const auto zdfy = [&] {
            return admin({QStringLiteral("query"),
                          QStringLiteral("select BZ from QKZL_CONFIG Where Item_Name Like'ZDFY'")},
                         m_folder.path())
                .out.section(QLatin1Char('\n'), 1, 1);
        };
        Connection workstation;
        workstation.setConnectionString(QStringLiteral("Provider=SQLite;Data Source=%1;").arg(db));
        QVERIFY(workstation.open());
        QVERIFY(workstation.execute(setZdfy.arg(QStringLiteral("backed up"))));

        Result r = admin({QStringLiteral("backup"), copy}, m_folder.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY(!QFile::exists(copy + QStringLiteral("-wal")));
        QVERIFY(workstation.execute(setZdfy.arg(QStringLiteral("later"))));

        r = admin({QStringLiteral("restore"), copy}, m_folder.path());
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("正被其他程序使用")), qPrintable(r.err));
        QCOMPARE(zdfy(), QStringLiteral("later"));

        workstation.close();
        r = admin({QStringLiteral("restore"), copy}, m_folder.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(zdfy(), QStringLiteral("backed up"));
        r = admin({QStringLiteral("restore"), m_folder.file(QStringLiteral("DatabaseSet.data"))},
                  m_folder.path());
        QCOMPARE(r.status, 1); // not a database: refused, nothing changed
        QCOMPARE(zdfy(), QStringLiteral("backed up"));
    }

    void encryptAndDecrypt() {
        // 16 GBK bytes give one group, 17 give two separated by two blanks.
        Result r = admin({QStringLiteral("encrypt"), QStringLiteral("城东社区卫生服务")});
        QCOMPARE(r.status, 0);
        const QString one = r.out.trimmed();
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{32}$")).match(one).hasMatch());
        r = admin({QStringLiteral("encrypt"), QStringLiteral("城东社区卫生服务A")});
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{32}  [0-9A-F]{32}$"))
                    .match(r.out.trimmed())
                    .hasMatch());
        QVERIFY(r.out.startsWith(one));
        // Reference value computed with OpenSSL's AES-128-ECB on the zero-padded GBK bytes.
        r = admin({QStringLiteral("encrypt"), QStringLiteral("城东社区卫生服务中心")});
        QCOMPARE(r.out.trimmed(),
                 QStringLiteral("3E0AF9D6DD95D577496E29F4A041FEED  549E1F5F72632CC772EC64C5D20BBB08"));
        r = admin({QStringLiteral("decrypt"),
                   QStringLiteral("3e0af9d6dd95d577496e29f4a041feed-549e1f5f72632cc772ec64c5d20bbb08")});
        QCOMPARE(r.out.trimmed(), QStringLiteral("城东社区卫生服务中心"));
        // A pass phrase of its own; longer than 16 bytes counts only its first 16.
        r = admin({QStringLiteral("encrypt"), QStringLiteral("abc"), QStringLiteral("0123456789abcdefXYZ")});
        const Result cut =
            admin({QStringLiteral("encrypt"), QStringLiteral("abc"), QStringLiteral("0123456789abcdef")});
        QCOMPARE(r.out, cut.out);
        r = admin({QStringLiteral("decrypt"), r.out.trimmed(), QStringLiteral("0123456789abcdef")});
        QCOMPARE(r.out.trimmed(), QStringLiteral("abc"));
    }

    void wrongCallsFail() {
        Result r = admin({QStringLiteral("decrypt"), QStringLiteral("xyz")});
        QVERIFY(r.status != 0);
        QVERIFY(r.err.contains(QStringLiteral("Text not Hex data")));
        r = admin({QStringLiteral("decrypt"), QStringLiteral("00112233445566778899AABBCCDDEE")}); // 15 bytes
        QVERIFY(r.status != 0);
        r = admin({QStringLiteral("no-such-command")});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(QStringLiteral("init-demo")));
        r = admin({});
        QCOMPARE(r.status, 2);
        r = admin({QStringLiteral("init-demo"), m_folder.file(QStringLiteral("x")),
                   QStringLiteral("--documents"), QStringLiteral("many")});
        QCOMPARE(r.status, 2);
        QVERIFY(!QFile::exists(m_folder.file(QStringLiteral("x/hospital.db"))));
    }
};

QTEST_GUILESS_MAIN(AdminToolTest)
#include "admin_tool_test.moc"
