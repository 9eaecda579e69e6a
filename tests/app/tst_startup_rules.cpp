// Start-up decisions without windows: command-line hand-off, Sys.ini and skin, regional
// formats, the server list.
#include "app/core/CommandLineHandOff.h"
#include "app/core/RegionalFormats.h"
#include "app/core/RegistryBackend.h"
#include "app/core/ServerList.h"
#include "app/core/StartupLayout.h"
#include "app/core/clsRegistry.h"
#include "common/core/MessageService.h"
#include "common/core/ProgramFolder.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QTest>

namespace {

// An in-memory registry that counts writes.
class MemoryRegistry : public IRegistryBackend {
public:
    QMap<QString, RegistryValue> values;
    QStringList writes;

    bool createKey(quint32, const QString&) override { return true; }
    bool keyExists(quint32, const QString&) override { return true; }
    bool setValue(quint32 root, const QString& key, const QString& name, const RegistryValue& v) override {
        writes << name;
        values.insert(id(root, key, name), v);
        return true;
    }
    std::optional<RegistryValue> queryValue(quint32 root, const QString& key, const QString& name) override {
        const auto it = values.find(id(root, key, name));
        if (it == values.end())
            return std::nullopt;
        return *it;
    }
    bool deleteValue(quint32 root, const QString& key, const QString& name) override {
        return values.remove(id(root, key, name)) > 0;
    }
    static QString id(quint32 root, const QString& key, const QString& name) {
        return QString::number(root, 16) + '|' + key.toLower() + '|' + name.toLower();
    }
};

} // namespace

class StartupRulesTest : public QObject {
    Q_OBJECT
private slots:
    void commandLine_data();
    void commandLine();
    void blankCommandLineMeansNormalStart();
    void sysIniPlaces();
    void skinOnlyWhenUseSkinIsOne();
    void skinFromSysIniFile_data();
    void skinFromSysIniFile();
    void regionalFormatsWrittenOnlyWhenDifferent();
    void regionalFormatsThroughRegistry();
    void serverList();
};

void StartupRulesTest::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");

    const QString conn = "Provider=sqloledb;Data Source=S;Initial Catalog=D;User ID=sa;Password=p;";
    QTest::newRow("three fields") << QStringList{conn + "$admin$123$"} << true << conn << "admin"
                                  << "123";
    QTest::newRow("text after the third $ ignored") << QStringList{"c$u$p$extra$more$"} << true << "c"
                                                    << "u"
                                                    << "p";
    QTest::newRow("arguments joined with blanks")
        << QStringList{"Data", "Source=x$张", "三$p", "q$"} << true << "Data Source=x"
        << "张 三"
        << "p q";
    QTest::newRow("empty fields") << QStringList{"$$$"} << true << ""
                                  << ""
                                  << "";
    QTest::newRow("empty user only") << QStringList{"c$$pw$"} << true << "c"
                                     << ""
                                     << "pw";
    QTest::newRow("blanks kept untrimmed") << QStringList{" c $ u$p $"} << true << " c "
                                           << " u"
                                           << "p ";
    QTest::newRow("two $ only") << QStringList{"c$u$p"} << false << ""
                                << ""
                                << "";
    QTest::newRow("no $") << QStringList{"hello"} << false << ""
                          << ""
                          << "";
}

void StartupRulesTest::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, ok);
    const QString line = JoinCommandLine(arguments);
    QVERIFY(IsHandOffCommandLine(line));
    CommandLineHandOff handOff{"unchanged", "unchanged", "unchanged"};
    AppError error;
    QCOMPARE(ParseHandOff(line, &handOff, &error), ok);
    if (ok) {
        QFETCH(QString, connection);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QCOMPARE(handOff.connectionString, connection);
        QCOMPARE(handOff.userName, user);
        QCOMPARE(handOff.password, password);
        QVERIFY(!error.isSet());
    } else {
        QVERIFY(error.isSet());
        QVERIFY(!error.description.isEmpty());
        QCOMPARE(handOff.connectionString, QStringLiteral("unchanged"));
    }
}

void StartupRulesTest::blankCommandLineMeansNormalStart() {
    QVERIFY(!IsHandOffCommandLine(JoinCommandLine({})));
    QVERIFY(!IsHandOffCommandLine(JoinCommandLine({"", " "})));
    QVERIFY(!IsHandOffCommandLine("   \t "));
    QVERIFY(IsHandOffCommandLine(" $ "));
}

void StartupRulesTest::sysIniPlaces() {
    const QChar bs('\\');
    // A program two levels deep shares Sys.ini and SKIN with its neighbours.
    StartupLayout l = StartupLayoutFor("D:\\HIS\\YJ", "医技管理", bs);
    QCOMPARE(l.sysIni, QStringLiteral("D:\\HIS\\Sys.ini"));
    QCOMPARE(ChooseSkin(l, "blue.qss", 1, bs).styleSheetFile, QStringLiteral("D:\\HIS\\\\SKIN\\blue.qss"));
    // The main launcher keeps them in its own folder.
    l = StartupLayoutFor("D:\\HIS\\YJ", "主引导程序", bs);
    QCOMPARE(l.sysIni, QStringLiteral("D:\\HIS\\YJ\\Sys.ini"));
    QCOMPARE(ChooseSkin(l, "blue.qss", 1, bs).styleSheetFile, QStringLiteral("D:\\HIS\\YJ\\SKIN\\blue.qss"));
    // A title that only resembles the launcher's is not it.
    QCOMPARE(StartupLayoutFor("D:\\HIS\\YJ", "主引导程序 ", bs).sysIni, QStringLiteral("D:\\HIS\\Sys.ini"));
    // At a drive root the bare name is used.
    QCOMPARE(StartupLayoutFor("D:\\", "医技管理", bs).sysIni, QStringLiteral("Sys.ini"));
    // The same rules with this platform's separator.
    const QChar sl('/');
    QCOMPARE(StartupLayoutFor("/opt/his/yj", "医技管理", sl).sysIni, QStringLiteral("/opt/his/Sys.ini"));
    QCOMPARE(StartupLayoutFor("/opt/his/yj", "主引导程序", sl).sysIni, QStringLiteral("/opt/his/yj/Sys.ini"));
    QCOMPARE(StartupLayoutFor("/", "医技管理", sl).sysIni, QStringLiteral("Sys.ini"));
}

void StartupRulesTest::skinOnlyWhenUseSkinIsOne() {
    const StartupLayout l = StartupLayoutFor("/opt/his/yj", "医技管理", '/');
    for (int useSkin : {0, 2, -1, 11}) {
        const SkinChoice c = ChooseSkin(l, "blue.qss", useSkin, '/');
        QVERIFY2(!c.apply, qPrintable(QString::number(useSkin)));
        QVERIFY(c.styleSheetFile.isEmpty());
    }
    QVERIFY(ChooseSkin(l, "blue.qss", 1, '/').apply);
}

void StartupRulesTest::skinFromSysIniFile_data() {
    QTest::addColumn<QByteArray>("sysIni");
    QTest::addColumn<bool>("apply");
    QTest::newRow("UseSkin=1") << QByteArray("[Skin]\r\nSkinName=blue.qss\r\nUseSkin=1\r\n") << true;
    QTest::newRow("UseSkin=0") << QByteArray("[Skin]\r\nSkinName=blue.qss\r\nUseSkin=0\r\n") << false;
    QTest::newRow("UseSkin=2") << QByteArray("[Skin]\r\nSkinName=blue.qss\r\nUseSkin=2\r\n") << false;
    QTest::newRow("UseSkin absent") << QByteArray("[Skin]\r\nSkinName=blue.qss\r\n") << false;
    QTest::newRow("no Sys.ini") << QByteArray() << false;
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 131 + 17) % 256);
    QTest::newRow("binary Sys.ini") << binary << false;
}

void StartupRulesTest::skinFromSysIniFile() {
    QFETCH(QByteArray, sysIni);
    QFETCH(bool, apply);
    TestFolder folder;
    // The program two levels below the test folder: Sys.ini belongs to HIS.
    QDir(folder.path()).mkpath("HIS/YJ");
    const QString program = QDir::toNativeSeparators(folder.path() + "/HIS/YJ");
    ProgramFolder::setOverride(program);
    if (!sysIni.isEmpty())
        folder.writeBytes("HIS/Sys.ini", sysIni);
    const QString title = Messages::applicationTitle();
    const SkinChoice c = ReadSkinChoice(title);
    QCOMPARE(c.apply, apply);
    if (apply)
        QCOMPARE(c.styleSheetFile, QDir::toNativeSeparators(folder.path() + "/HIS//SKIN/blue.qss"));

    // As the main launcher the program reads its own folder's Sys.ini, which is not there.
    QVERIFY(!ReadSkinChoice(MainLauncherTitle()).apply);
    folder.writeBytes("HIS/YJ/Sys.ini", "[Skin]\r\nSkinName=own.qss\r\nUseSkin=1\r\n");
    QCOMPARE(ReadSkinChoice(MainLauncherTitle()).styleSheetFile,
             QDir::toNativeSeparators(program + "/SKIN/own.qss"));
}

void StartupRulesTest::regionalFormatsWrittenOnlyWhenDifferent() {
    QMap<QString, QVariant> store{{"sShortDate", "yyyy-MM-dd"},
                                  {"sLongDate", "yyyy'年'M'月'd'日'"},
                                  {"iTime", 1}, // a number that reads as the wanted text
                                  {"s1159", "am"},
                                  {"sTime", ":"}};
    QStringList writes;
    const auto read = [&](const QString& n) { return store.value(n); };
    const auto write = [&](const QString& n, const QString& t) {
        writes << n;
        store.insert(n, t);
        return true;
    };
    QCOMPARE(RegionalFormats::apply(read, write),
             QStringList({"sLongDate", "s1159", "s2359", "sTimeFormat"}));
    QCOMPARE(writes, QStringList({"sLongDate", "s1159", "s2359", "sTimeFormat"}));
    for (const auto& [name, wanted] : RegionalFormats::wantedValues())
        QCOMPARE(store.value(name).toString(), wanted);
    writes.clear();
    QVERIFY(RegionalFormats::apply(read, write).isEmpty());
    QVERIFY(writes.isEmpty());

    // A value that cannot be written is skipped; the rest still are.
    store.clear();
    const auto failingWrite = [&](const QString& n, const QString& t) {
        if (n == "iTime")
            return false;
        store.insert(n, t);
        return true;
    };
    QCOMPARE(RegionalFormats::apply(read, failingWrite).size(), 6);
    QVERIFY(!store.contains("iTime"));
}

void StartupRulesTest::regionalFormatsThroughRegistry() {
    MemoryRegistry registry;
    RegistryBackend::install(&registry);
    clsRegistry reg;
    const QString key = "Control Panel\\International";
    QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, key, "sTimeFormat", QStringLiteral("HH:mm:ss")));
    registry.writes.clear();

    SetRegionalFormats();
    QCOMPARE(registry.writes, QStringList({"sShortDate", "sLongDate", "iTime", "s1159", "s2359", "sTime"}));
    QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "sShortDate").toString(),
             QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "iTime").toString(), QStringLiteral("1"));
    registry.writes.clear();
    SetRegionalFormats();
    QVERIFY(registry.writes.isEmpty());
    RegistryBackend::install(nullptr);
}

void StartupRulesTest::serverList() {
    const QString conf = "[global]\n  tds version = auto\n; [commented]\n[MSSQL01]\n host = 10.0.0.5\n"
                         "  [ 中心库 ]  \n[mssql01]\n[]\n";
    QCOMPARE(ServerList::serverNamesIn(conf), QStringList({"MSSQL01", "中心库"}));

    TestFolder folder;
    folder.writeBytes("freetds.conf", conf.toUtf8());
    QCOMPARE(ServerList::servers(folder.file("freetds.conf"), "PC01"),
             QStringList({"MSSQL01", "中心库", "PC01"}));
    QCOMPARE(ServerList::servers(folder.file("missing.conf"), "PC01"), QStringList({"PC01"}));
    QCOMPARE(ServerList::servers(folder.file("freetds.conf"), "mssql01"), QStringList({"MSSQL01", "中心库"}));
}

QTEST_GUILESS_MAIN(StartupRulesTest)
#include "tst_startup_rules.moc"
