#include "common/core/CIniFile.h"
#include "support/HostileFiles.h"
#include "support/TestFolder.h"

#include <QFileInfo>
#include <QTest>

#include <memory>

class TestCIniFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    // A FIFO, an endless device or a file of megabytes reads as no file and is not written over.
    void onlyRegularFilesOfSensibleSizeAreRead() {
        TestFolder& folder = *m_folder;
        const QByteArray big = "[Drug]\r\nA=1\r\n" + QByteArray(2 << 20, ';');
        folder.writeBytes("big.ini", big);
        QVERIFY(HostileFiles::make(HostileFiles::Kind::Fifo, folder.file("fifo.ini")));
        QVERIFY(HostileFiles::make(HostileFiles::Kind::EndlessDevice, folder.file("zero.ini")));
        const HostileFiles::Watchdog watchdog(20);
        for (const char* name : {"big.ini", "fifo.ini", "zero.ini"}) {
            CIniFile ini;
            ini.SpecifyIni(folder.file(name));
            int size = 200;
            QCOMPARE(ini.ReadString("Drug", "A", size), QString());
            QCOMPARE(ini.ReadInt("Drug", "A"), 0);
            QCOMPARE(ini.ErrorMsg(), QStringLiteral("不能读取"));
            QVERIFY(!ini.WriteString("Drug", "A", "2"));
            QCOMPARE(ini.ErrorMsg(), QStringLiteral("写入失败"));
        }
        QCOMPARE(folder.readBytes("big.ini"), big);
        QVERIFY(QFileInfo(folder.file("zero.ini")).isSymLink());
    }

    void withoutFileName() {
        CIniFile ini;
        QVERIFY(!ini.WriteString("Skin", "Name", "x"));
        QCOMPARE(ini.ErrorMsg(), QStringLiteral("没有指定 INI 文件"));
        int size = 10;
        QCOMPARE(ini.ReadString("Skin", "Name", size), QString());
        QCOMPARE(size, 10); // the check fails before Size is raised
        QCOMPARE(ini.ErrorMsg(), QStringLiteral("没有指定 INI 文件"));

        ini.SpecifyIni("   ");
        QVERIFY(!ini.WriteString("Skin", "Name", "x"));
        QCOMPARE(ini.ErrorMsg(), QStringLiteral("没有指定 INI 文件"));
    }

    void pathTrimmedAndFileCreatedWithCrLfInGbk() {
        TestFolder& folder = *m_folder;
        CIniFile ini;
        ini.SpecifyIni("  " + folder.file("ORVA.ini") + " \t");
        QCOMPARE(ini.path(), folder.file("ORVA.ini"));
        QVERIFY(ini.WriteString("打印", "标题", "医技"));
        QCOMPARE(ini.ErrorMsg(), QString());
        QCOMPARE(folder.readBytes("ORVA.ini"), QByteArray("[\xB4\xF2\xD3\xA1]\r\n"
                                                          "\xB1\xEA\xCC\xE2=\xD2\xBD\xBC\xBC\r\n"));
        int size = 200;
        QCOMPARE(ini.ReadString("打印", "标题", size), QStringLiteral("医技"));
        QCOMPARE(size, 201);
    }

    void notepadGbkFileWithLfAndCrLf() {
        TestFolder& folder = *m_folder;
        // As Notepad saves it in GBK, with a stray LF-only line and no final line end.
        folder.writeBytes("Sys.ini", "; \xC6\xA4\xB7\xF4\r\n"
                                     "[Skin]\r\n"
                                     "  Name =  \"Aero\"  \r\n"
                                     "Path=\xD2\xBD\xBC\xBC\\skins\n"
                                     "Quoted='a b'\r\n"
                                     "Half=\"x\r\n"
                                     "\r\n"
                                     "[Other]\r\n"
                                     "Name=other");
        CIniFile ini;
        ini.SpecifyIni(folder.file("Sys.ini"));
        int size = 200;
        QCOMPARE(ini.ReadString("skin", "NAME", size), QStringLiteral("Aero"));
        size = 200;
        QCOMPARE(ini.ReadString("SKIN", "path", size), QStringLiteral("医技\\skins"));
        size = 200;
        QCOMPARE(ini.ReadString("Skin", "Quoted", size), QStringLiteral("a b"));
        size = 200;
        QCOMPARE(ini.ReadString("Skin", "Half", size), QStringLiteral("\"x"));
        size = 200;
        QCOMPARE(ini.ReadString("other", "name", size), QStringLiteral("other"));
        size = 200;
        QCOMPARE(ini.ReadString("Skin", "Missing", size), QString());
        size = 200;
        QCOMPARE(ini.ReadString("Missing", "Name", size), QString());
        // A key of another section does not leak into this one.
        size = 200;
        QCOMPARE(ini.ReadString("Other", "Path", size), QString());
    }

    void readStringSizeRules() {
        TestFolder& folder = *m_folder;
        CIniFile ini;
        ini.SpecifyIni(folder.file("a.ini"));
        const QString longValue = QString(150, u'x');
        QVERIFY(ini.WriteString("S", "Long", longValue));
        QVERIFY(ini.WriteString("S", "Inner", "ab   cd"));
        QVERIFY(ini.WriteString("S", "Chinese", "医技管理"));

        int size = 100;
        QCOMPARE(ini.ReadString("S", "Long", size), QString(100, u'x'));
        QCOMPARE(size, 101);
        // The caller's variable keeps growing when it is passed again.
        QCOMPARE(ini.ReadString("S", "Long", size).size(), 101);
        QCOMPARE(size, 102);

        size = 4; // cut inside the value: the trailing blanks go
        QCOMPARE(ini.ReadString("S", "Inner", size), QStringLiteral("ab"));
        size = 2;
        QCOMPARE(ini.ReadString("S", "Chinese", size), QStringLiteral("医技"));
        size = 0;
        QCOMPARE(ini.ReadString("S", "Long", size), QString());
        QCOMPARE(size, 1);
        size = -5;
        QCOMPARE(ini.ReadString("S", "Long", size), QString());
        size = INT_MAX; // no overflow
        QCOMPARE(ini.ReadString("S", "Long", size), longValue);
        QCOMPARE(size, INT_MAX);
    }

    void readIntRules_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("error");
        QTest::newRow("zero") << QByteArray("N=0") << 0 << false;
        QTest::newRow("one") << QByteArray("N=1") << 1 << false;
        QTest::newRow("leading digits") << QByteArray("N=1abc") << 1 << false;
        QTest::newRow("minus") << QByteArray("N=-42") << -42 << false;
        QTest::newRow("plus") << QByteArray("N=+7") << 7 << false;
        QTest::newRow("blanks") << QByteArray("N=   12  ") << 12 << false;
        QTest::newRow("quoted") << QByteArray("N=\"5\"") << 5 << false;
        QTest::newRow("hex") << QByteArray("N=0x1F") << 31 << false;
        QTest::newRow("letters") << QByteArray("N=abc") << 0 << false;
        QTest::newRow("empty value") << QByteArray("N=") << 0 << true;
        QTest::newRow("missing key") << QByteArray("M=3") << 0 << true;
        QTest::newRow("max") << QByteArray("N=2147483647") << 2147483647 << false;
        QTest::newRow("wraps") << QByteArray("N=4294967297") << 1 << false;
    }

    void readIntRules() {
        QFETCH(QByteArray, line);
        QFETCH(int, expected);
        QFETCH(bool, error);
        TestFolder& folder = *m_folder;
        folder.writeBytes("a.ini", "[S]\r\n" + line + "\r\n");
        CIniFile ini;
        ini.SpecifyIni(folder.file("a.ini"));
        QCOMPARE(ini.ReadInt("s", "n"), expected);
        QCOMPARE(ini.ErrorMsg(), error ? QStringLiteral("不能读取") : QString());
    }

    void readIntOfMissingFile() {
        TestFolder& folder = *m_folder;
        CIniFile ini;
        ini.SpecifyIni(folder.file("none.ini"));
        QCOMPARE(ini.ReadInt("S", "N"), 0);
        QCOMPARE(ini.ErrorMsg(), QStringLiteral("不能读取"));
        QVERIFY(!QFile::exists(folder.file("none.ini")));
    }

    void writeKeepsEveryOtherLine() {
        TestFolder& folder = *m_folder;
        const QByteArray before = "; comment \xD7\xA2\xCA\xCD\r\n"
                                  "\r\n"
                                  "[A]\n"
                                  "x=1\n"
                                  "KEY = old  \r\n"
                                  "bad=\xFF\xFE\r\n"
                                  "\r\n"
                                  "[B]\r\n"
                                  "key=b";
        folder.writeBytes("a.ini", before);
        CIniFile ini;
        ini.SpecifyIni(folder.file("a.ini"));

        QVERIFY(ini.WriteString("a", "key", "new"));
        QByteArray expected = before;
        expected.replace("KEY = old  \r\n", "KEY=new\r\n");
        QCOMPARE(folder.readBytes("a.ini"), expected);

        // A new key goes after the last filled line of its section, before the blank line.
        QVERIFY(ini.WriteString("A", "y", "2"));
        expected.replace("bad=\xFF\xFE\r\n", "bad=\xFF\xFE\r\ny=2\r\n");
        QCOMPARE(folder.readBytes("a.ini"), expected);

        // The last line gets its line end before anything is added after it.
        QVERIFY(ini.WriteString("B", "z", "3"));
        expected += "\r\nz=3\r\n";
        QCOMPARE(folder.readBytes("a.ini"), expected);

        QVERIFY(ini.WriteString("C", "k", ""));
        expected += "[C]\r\nk=\r\n";
        QCOMPARE(folder.readBytes("a.ini"), expected);

        int size = 50;
        QCOMPARE(ini.ReadString("B", "KEY", size), QStringLiteral("b"));
        size = 50;
        QCOMPARE(ini.ReadString("A", "KEY", size), QStringLiteral("new"));
    }

    void charactersGbkCannotHoldBecomeQuestionMarks() {
        TestFolder& folder = *m_folder;
        CIniFile ini;
        ini.SpecifyIni(folder.file("a.ini"));
        QVERIFY(ini.WriteString("S", "K", QStringLiteral("a\u20ACb")));
        QCOMPARE(folder.readBytes("a.ini"), QByteArray("[S]\r\nK=a\x80"
                                                       "b\r\n"));
        QVERIFY(ini.WriteString("S", "K", QStringLiteral("a\U0001F600b")));
        int size = 10;
        QCOMPARE(ini.ReadString("S", "K", size), QStringLiteral("a?b"));
    }

    void refusedWritesLoseNothing_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("line break in value") << "S"
                                             << "K"
                                             << "x\r\n[T]\r\nk=evil";
        QTest::newRow("line feed in value") << "S"
                                            << "K"
                                            << "x\nk2=evil";
        QTest::newRow("line break in key") << "S"
                                           << "K\nX"
                                           << "v";
        QTest::newRow("equals in key") << "S"
                                       << "K=X"
                                       << "v";
        QTest::newRow("bracket in section") << "S]x"
                                            << "K"
                                            << "v";
        QTest::newRow("empty key") << "S"
                                   << ""
                                   << "v";
        QTest::newRow("empty section") << ""
                                       << "K"
                                       << "v";
    }

    void refusedWritesLoseNothing() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        TestFolder& folder = *m_folder;
        const QByteArray before = "[S]\r\nK=keep\r\n";
        folder.writeBytes("a.ini", before);
        CIniFile ini;
        ini.SpecifyIni(folder.file("a.ini"));
        QVERIFY(!ini.WriteString(section, key, value));
        QCOMPARE(ini.ErrorMsg(), QStringLiteral("写入失败"));
        QCOMPARE(folder.readBytes("a.ini"), before);
    }

    void writeFailureReported() {
        TestFolder& folder = *m_folder;
        CIniFile ini;
        ini.SpecifyIni(folder.file("no/such/folder/a.ini"));
        QVERIFY(!ini.WriteString("S", "K", "v"));
        QCOMPARE(ini.ErrorMsg(), QStringLiteral("写入失败"));
        // A read-only file is not replaced.
        folder.writeBytes("ro.ini", "[S]\r\nK=old\r\n");
        QFile::setPermissions(folder.file("ro.ini"), QFile::ReadOwner);
        ini.SpecifyIni(folder.file("ro.ini"));
        QVERIFY(!ini.WriteString("S", "K", "new"));
        QCOMPARE(ini.ErrorMsg(), QStringLiteral("写入失败"));
        QFile::setPermissions(folder.file("ro.ini"), QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(folder.readBytes("ro.ini"), QByteArray("[S]\r\nK=old\r\n"));
        // A successful check clears the message again.
        ini.SpecifyIni(folder.file("a.ini"));
        QVERIFY(ini.WriteString("S", "K", "v"));
        QCOMPARE(ini.ErrorMsg(), QString());
    }

    void badFilesReadAsEmpty() {
        TestFolder& folder = *m_folder;
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary.append(char((i * 37) & 0xFF));
        folder.writeBytes("bin.ini", binary);
        folder.writeBytes("empty.ini", "");
        folder.writeBytes("half.ini", "[S]\r\nK=va");
        folder.writeBytes("nul.ini", QByteArray("[S]\r\nK=a\0b\r\n", 12));
        CIniFile ini;
        ini.SpecifyIni(folder.file("bin.ini"));
        int size = 100;
        QCOMPARE(ini.ReadString("S", "K", size), QString());
        QCOMPARE(ini.ReadInt("S", "K"), 0);
        ini.SpecifyIni(folder.file("empty.ini"));
        size = 100;
        QCOMPARE(ini.ReadString("S", "K", size), QString());
        ini.SpecifyIni(folder.file("half.ini"));
        size = 100;
        QCOMPARE(ini.ReadString("S", "K", size), QStringLiteral("va"));
        ini.SpecifyIni(folder.file("nul.ini"));
        size = 100;
        QCOMPARE(ini.ReadString("S", "K", size), QStringLiteral("ab"));
        // A folder in place of the file.
        ini.SpecifyIni(folder.path());
        size = 100;
        QCOMPARE(ini.ReadString("S", "K", size), QString());
        QVERIFY(!ini.WriteString("S", "K", "v"));
    }

    void utf8FileWithBomKeepsItsEncoding() {
        TestFolder& folder = *m_folder;
        folder.writeBytes("u.ini", "\xEF\xBB\xBF[Skin]\r\nName=\xE5\x8C\xBB\r\n");
        CIniFile ini;
        ini.SpecifyIni(folder.file("u.ini"));
        int size = 10;
        QCOMPARE(ini.ReadString("Skin", "Name", size), QStringLiteral("医"));
        QVERIFY(ini.WriteString("Skin", "Two", "技"));
        QCOMPARE(folder.readBytes("u.ini"),
                 QByteArray("\xEF\xBB\xBF[Skin]\r\nName=\xE5\x8C\xBB\r\nTwo=\xE6\x8A\x80\r\n"));
    }

private:
    std::unique_ptr<TestFolder> m_folder;
};

void TestCIniFile::init() {
    m_folder = std::make_unique<TestFolder>();
}

void TestCIniFile::cleanup() {
    m_folder.reset();
}

QTEST_GUILESS_MAIN(TestCIniFile)
#include "tst_CIniFile.moc"
