#include "common/core/ProgramFolder.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QTest>

class TestProgramFolder : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        qunsetenv("YJGL_HOME");
        ProgramFolder::setOverride({});
    }

    void executableFolderByDefault() {
        QCOMPARE(ProgramFolder::path(), QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    }

    void environmentNamesAnotherFolder() {
        QTemporaryDir dir;
        qputenv("YJGL_HOME", (dir.path() + "/sub/../").toLocal8Bit());
        QCOMPARE(ProgramFolder::path(), QDir::toNativeSeparators(dir.path()));
        QCOMPARE(ProgramFolder::file("ORVA.ini"),
                 QDir::toNativeSeparators(dir.path()) + QDir::separator() + "ORVA.ini");
    }

    void overrideWinsOverEnvironment() {
        TestFolder folder;
        qputenv("YJGL_HOME", "/somewhere/else");
        QCOMPARE(ProgramFolder::path(), QDir::toNativeSeparators(folder.path()));
    }

    void parentPrefixRule_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("prefix");
        const QString s = QDir::separator();
        QTest::newRow("two levels") << s + "opt" + s + "yjgl" << s + "opt" + s;
        QTest::newRow("one level") << s + "yjgl" << s;
        QTest::newRow("trailing separator") << s + "opt" + s + "yjgl" + s << s + "opt" + s + "yjgl" + s;
        QTest::newRow("four characters") << s + "abc" << s;
        QTest::newRow("three characters") << s + "ab" << QString();
        QTest::newRow("root") << s << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("no separator") << "abcdef" << QString();
        QTest::newRow("chinese") << s + "医技" + s + "程序" << s + "医技" + s;
    }

    void parentPrefixRule() {
        QFETCH(QString, folder);
        QFETCH(QString, prefix);
        QCOMPARE(ProgramFolder::parentPrefixOf(folder), prefix);
    }

    void buildTreeKeepsEverythingTogether() {
        const ProgramFolder::Layout layout = ProgramFolder::layoutFor("/src/build/bin", {}, "/x", "/home/u");
        QVERIFY(!layout.installed);
        QCOMPARE(layout.shared, QDir::toNativeSeparators("/src/build/bin"));
        QCOMPARE(layout.user, layout.shared);
        QCOMPARE(layout.resources, QDir::toNativeSeparators("/src/build/"));
    }

    void installedSplitsSharedAndUserFiles() {
        QTemporaryDir prefix;
        QVERIFY(QDir(prefix.path()).mkpath("bin") && QDir(prefix.path()).mkpath("share/yjgl"));
        const QString bin = prefix.path() + "/bin";
        ProgramFolder::Layout layout = ProgramFolder::layoutFor(bin, {}, "/cfg", "/home/u");
        QVERIFY(layout.installed);
        QCOMPARE(layout.shared, QDir::toNativeSeparators("/var/lib/yjgl"));
        QCOMPARE(layout.user, QDir::toNativeSeparators("/cfg/yjgl"));
        QCOMPARE(layout.resources, QDir::toNativeSeparators(prefix.path() + "/share/yjgl/"));
        // Without XDG_CONFIG_HOME the user's ~/.config.
        QCOMPARE(ProgramFolder::layoutFor(bin, {}, {}, "/home/u").user,
                 QDir::toNativeSeparators("/home/u/.config/yjgl"));
        // YJGL_HOME holds everything but the resources, which stay where the package put them.
        layout = ProgramFolder::layoutFor(bin, "/portable", "/cfg", "/home/u");
        QCOMPARE(layout.shared, QDir::toNativeSeparators("/portable"));
        QCOMPARE(layout.user, layout.shared);
        QCOMPARE(layout.resources, QDir::toNativeSeparators(prefix.path() + "/share/yjgl/"));
    }

    void homeNamesTheUserFolderToo() {
        TestFolder folder;
        QVERIFY(ProgramFolder::homeSet());
        QCOMPARE(ProgramFolder::userFile("User.data"), ProgramFolder::file("User.data"));
    }

    void parentPrefixOfProgramFolder() {
        ProgramFolder::setOverride("/opt/yjgl/bin");
        QCOMPARE(ProgramFolder::parentPrefix(), QDir::toNativeSeparators("/opt/yjgl/"));
        ProgramFolder::setOverride("/");
        QCOMPARE(ProgramFolder::parentPrefix(), QString());
    }
};

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "tst_ProgramFolder.moc"
