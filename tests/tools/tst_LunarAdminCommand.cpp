// "yjgl-admin lunar", run as the IT staff run it.
#include <QCoreApplication>
#include <QProcess>
#include <QTest>

class LunarAdminCommandTest : public QObject {
    Q_OBJECT

private:
    struct Run {
        int status = -1;
        QString out;
        QString err;
    };

    static Run admin(const QStringList& args) {
        QProcess process;
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/yjgl-admin"),
                      QStringList{QStringLiteral("lunar")} + args);
        if (!process.waitForFinished(30000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private slots:
    void printsTheStatusLine() {
        const Run run = admin({QStringLiteral("2020-10-01")});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("2020-10-01 星期四  庚子年(鼠)八月十五  国庆节  中秋节\n"));
    }

    void dayOutsideTheTable() {
        const Run run = admin({QStringLiteral("2101-01-29")});
        QCOMPARE(run.status, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.contains(QStringLiteral("下标越界")), qPrintable(run.err));
    }

    void wrongCall_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("told");
        const QString usage = QStringLiteral("yjgl-admin lunar YYYY-MM-DD");
        QTest::newRow("no date") << QStringList{} << usage;
        QTest::newRow("no date format") << QStringList{QStringLiteral("2020/10/01")} << usage;
        QTest::newRow("impossible day")
            << QStringList{QStringLiteral("2021-02-29")} << QStringLiteral("没有这一天");
        QTest::newRow("two dates") << QStringList{QStringLiteral("2020-10-01"), QStringLiteral("2020-10-02")}
                                   << usage;
    }

    void wrongCall() {
        QFETCH(QStringList, args);
        QFETCH(QString, told);
        const Run run = admin(args);
        QCOMPARE(run.status, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.contains(told), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(LunarAdminCommandTest)
#include "tst_LunarAdminCommand.moc"
