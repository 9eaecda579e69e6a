#include "app/core/Cls_SysDir.h"
#include "app/core/FileRegistryBackend.h"
#include "app/core/clsRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestSystemServices : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FileRegistryBackend> m_backend;
    const QString m_intl = QStringLiteral("Control Panel\\International");

    QString storeFile() const { return m_dir.filePath("yjgl/registry.dat"); }

    void writeStore(const QByteArray& bytes) {
        QFile f(storeFile());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

private slots:
    void init() {
        QFile::remove(storeFile());
        m_backend = std::make_unique<FileRegistryBackend>(storeFile());
        RegistryBackend::install(m_backend.get());
    }

    void cleanup() {
        RegistryBackend::install(nullptr);
        m_backend.reset();
    }

    void stringValueRoundTripAndCase() {
        clsRegistry reg;
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, m_intl, "sShortDate", QStringLiteral("yyyy-MM-dd")));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, m_intl, "sShortDate"), QVariant("yyyy-MM-dd"));
        // Key paths and value names match without regard to letter case; doubled and
        // surrounding separators do not make another key.
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, "control panel\\\\INTERNATIONAL\\", "SSHORTDATE"),
                 QVariant("yyyy-MM-dd"));
        // Another root key is another store.
        QCOMPARE(reg.GetRegistryValue(HKEY_LOCAL_MACHINE, m_intl, "sShortDate"), QVariant());
        // Overwriting keeps one value.
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, m_intl, "SSHORTDATE", QStringLiteral("医技")));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, m_intl, "sShortDate"),
                 QVariant(QStringLiteral("医技")));
        // Stored as GBK bytes with the terminating zero.
        QCOMPARE(m_backend->queryValue(HKEY_CURRENT_USER, m_intl, "sShortDate")->data,
                 QByteArray("\xD2\xBD\xBC\xBC\0", 5));
        QCOMPARE(m_backend->queryValue(HKEY_CURRENT_USER, m_intl, "sShortDate")->type, quint32(REG_SZ));
        // Another instance reading the same file sees the value.
        FileRegistryBackend other(storeFile());
        QVERIFY(other.queryValue(HKEY_CURRENT_USER, m_intl.toUpper(), "sshortdate").has_value());
    }

    void missingValueGivesDefault() {
        clsRegistry reg;
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, m_intl, "none"), QVariant());
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, m_intl, "none", 7), QVariant(7));
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, m_intl, "a", QStringLiteral("x")));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, m_intl, "none", "d"), QVariant("d"));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, "Other", "a", "d"), QVariant("d"));
        QVERIFY(!reg.SetRegistryValue(0x12345678, m_intl, "a", QStringLiteral("x")));
        QCOMPARE(reg.GetRegistryValue(0x12345678, m_intl, "a", "d"), QVariant("d"));
    }

    void everyTypeReadsBack() {
        clsRegistry reg;
        const QString key = "Software\\yjgl\\Test";
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, key, "dword", -2));
        QCOMPARE(m_backend->queryValue(HKEY_CURRENT_USER, key, "dword")->data,
                 QByteArray("\xFE\xFF\xFF\xFF"));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "dword"), QVariant(qint32(-2)));
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, key, "short", QVariant::fromValue<short>(300)));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "short"), QVariant(qint32(300)));
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, key, "byte", QVariant::fromValue<uchar>(200)));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "byte"), QVariant(qint32(200)));

        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, key, "bin", QByteArray("\x00\x01\xFF", 3)));
        QCOMPARE(m_backend->queryValue(HKEY_CURRENT_USER, key, "bin")->type, quint32(REG_BINARY));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "bin"),
                 QVariant(QByteArray("\x00\x01\xFF", 3)));

        qputenv("YJGL_TEST_HOME", "/home/医");
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, key, "exp",
                                     QStringLiteral("%YJGL_TEST_HOME%\\a;%NOPE_X%;%%;50%"), 1));
        QCOMPARE(m_backend->queryValue(HKEY_CURRENT_USER, key, "exp")->type, quint32(REG_EXPAND_SZ));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "exp"),
                 QVariant(QStringLiteral("/home/医\\a;%NOPE_X%;%%;50%")));

        const QString multi = QString::fromUtf16(u"a\0医\0c", 5);
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, key, "multi", multi, 2));
        QCOMPARE(m_backend->queryValue(HKEY_CURRENT_USER, key, "multi")->type, quint32(REG_MULTI_SZ));
        QCOMPARE(m_backend->queryValue(HKEY_CURRENT_USER, key, "multi")->data,
                 QByteArray("a\0\xD2\xBD\0c\0\0", 8));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "multi"), QVariant(multi));

        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, key, "sz", QStringLiteral("plain"), 3));
        QCOMPARE(m_backend->queryValue(HKEY_CURRENT_USER, key, "sz")->type, quint32(REG_SZ));

        // Kinds the registry cannot hold write nothing and still succeed.
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, key, "double", 1.5));
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, key, "bool", true));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "double", "none"), QVariant("none"));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "bool", "none"), QVariant("none"));
    }

    void typesWrittenByOtherPrograms() {
        const QString key = "Software\\Other";
        QVERIFY(m_backend->createKey(HKEY_CURRENT_USER, key));
        QVERIFY(m_backend->setValue(HKEY_CURRENT_USER, key, "be",
                                    {REG_DWORD_BIG_ENDIAN, QByteArray("\0\0\1\2", 4)}));
        QVERIFY(m_backend->setValue(HKEY_CURRENT_USER, key, "short", {REG_DWORD, QByteArray("\x05", 1)}));
        QVERIFY(m_backend->setValue(HKEY_CURRENT_USER, key, "noz", {REG_SZ, QByteArray("abc")}));
        QVERIFY(m_backend->setValue(HKEY_CURRENT_USER, key, "m1", {REG_MULTI_SZ, QByteArray("\0", 1)}));
        QVERIFY(m_backend->setValue(HKEY_CURRENT_USER, key, "q", {11, QByteArray("\1\2\3\4\5\6\7\x08", 8)}));
        clsRegistry reg;
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "be"), QVariant(qint32(258)));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "short"), QVariant(qint32(5)));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "noz"), QVariant("abc"));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "m1"), QVariant(QString()));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, key, "q"),
                 QVariant(QByteArray("\1\2\3\4\5\6\7\x08", 8)));
    }

    void deleteValueOnly() {
        clsRegistry reg;
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, m_intl, "a", QStringLiteral("1")));
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, m_intl, "b", QStringLiteral("2")));
        QVERIFY(reg.DeleteRegistryValueOrKey(HKEY_CURRENT_USER, m_intl.toLower(), "A"));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, m_intl, "a", "gone"), QVariant("gone"));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, m_intl, "b"), QVariant("2"));
        QVERIFY(!reg.DeleteRegistryValueOrKey(HKEY_CURRENT_USER, m_intl, "a"));
        QVERIFY(!reg.DeleteRegistryValueOrKey(HKEY_CURRENT_USER, "No\\Such\\Key", "b"));
        QVERIFY(reg.DeleteRegistryValueOrKey(HKEY_CURRENT_USER, m_intl, "b"));
        // The key stays.
        QVERIFY(m_backend->keyExists(HKEY_CURRENT_USER, m_intl));
        QVERIFY(m_backend->keyExists(HKEY_CURRENT_USER, "Control Panel"));
        QVERIFY(!m_backend->keyExists(HKEY_CURRENT_USER, "Control"));
    }

    void namesWithSeparatorsSurvive() {
        clsRegistry reg;
        const QString name = QStringLiteral("a\tb\nc %41=");
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, "K\\键", name, QStringLiteral("v\nw")));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, "k\\键", name), QVariant("v\nw"));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, "k\\键", "a\tb\nc A="), QVariant());
    }

    void emptyValueSurvivesLaterWrites() {
        // A value without data is written with an empty last field; it must still read back
        // after the store is loaded and written again for another value.
        QVERIFY(m_backend->setValue(HKEY_CURRENT_USER, m_intl, "empty", RegistryValue{REG_BINARY, {}}));
        QVERIFY(m_backend->setValue(HKEY_CURRENT_USER, m_intl, "other", RegistryValue{REG_BINARY, "x"}));
        const std::optional<RegistryValue> empty = m_backend->queryValue(HKEY_CURRENT_USER, m_intl, "empty");
        QVERIFY(empty.has_value());
        QCOMPARE(empty->type, quint32(REG_BINARY));
        QVERIFY(empty->data.isEmpty());
        // Blanks around the fields of a hand-edited line are still forgiven.
        writeStore("YJGL registry 1\r\nV\t80000001\tK\tv\t3\t \r\n");
        QVERIFY(m_backend->queryValue(HKEY_CURRENT_USER, "K", "v").has_value());
    }

    void damagedStoresReadAsDefault_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary") << QByteArray("\x00\xFF\x10\x80garbage\x00\x01", 13);
        QTest::newRow("no header") << QByteArray("V\t80000001\tK\tv\t1\t6100\n");
        QTest::newRow("half written")
            << QByteArray("YJGL registry 1\nK\t80000001\tK\nV\t80000001\tK\tv\t1\t61");
        QTest::newRow("odd hex") << QByteArray("YJGL registry 1\nV\t80000001\tK\tv\t1\t610\n");
        QTest::newRow("bad type") << QByteArray("YJGL registry 1\nV\t80000001\tK\tv\tx\t6100\n");
        QTest::newRow("bad root") << QByteArray("YJGL registry 1\nV\t1\tK\tv\t1\t6100\n");
    }

    void damagedStoresReadAsDefault() {
        QFETCH(QByteArray, bytes);
        writeStore(bytes);
        clsRegistry reg;
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, "K", "v", "def"), QVariant("def"));
        // Writing again gives a sound store.
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, "K", "v", QStringLiteral("new")));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, "K", "v"), QVariant("new"));
    }

    void goodLinesSurviveBadOnes() {
        writeStore("YJGL registry 1\r\n"
                   "V\t80000001\tK\tgood\t1\t6f6b00\r\n"
                   "V\t80000001\tK\tbad\t1\tzz\r\n"
                   "V\t80000001\tK\tshort\r\n");
        clsRegistry reg;
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, "K", "good"), QVariant("ok"));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, "K", "bad", 0), QVariant(0));
    }

    void storeWrites() {
        clsRegistry reg;
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, "K", "v", QStringLiteral("1")));
        QVERIFY(reg.SetRegistryValue(HKEY_CURRENT_USER, "K", "v", QStringLiteral("2")));
        // The new store replaced the old one: no temporary file is left beside it.
        QCOMPARE(QDir(QFileInfo(storeFile()).absolutePath()).entryList(QDir::Files),
                 QStringList{"registry.dat"});

        // A store that cannot be written reports failure and reads as empty.
        QFile blocker(m_dir.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        FileRegistryBackend blocked(m_dir.filePath("blocker/registry.dat"));
        RegistryBackend::install(&blocked);
        QVERIFY(!reg.SetRegistryValue(HKEY_CURRENT_USER, "K", "v", QStringLiteral("3")));
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, "K", "v", "def"), QVariant("def"));
        QVERIFY(!reg.DeleteRegistryValueOrKey(HKEY_CURRENT_USER, "K", "v"));
        RegistryBackend::install(m_backend.get());
        QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, "K", "v"), QVariant("2"));
    }

    void defaultStorePath() {
        const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", "/tmp/xdg-test");
        qunsetenv("YJGL_REGISTRY_FILE");
        QCOMPARE(FileRegistryBackend::defaultStorePath(), QStringLiteral("/tmp/xdg-test/yjgl/registry.dat"));
        qputenv("YJGL_REGISTRY_FILE", "/tmp/other.dat");
        QCOMPARE(FileRegistryBackend().storePath(), QStringLiteral("/tmp/other.dat"));
        qunsetenv("YJGL_REGISTRY_FILE");
        qputenv("XDG_CONFIG_HOME", oldXdg);
    }

    void systemFolder() {
        const QString dir = Cls_SysDir::GetSysDir();
        QCOMPARE(dir, QStringLiteral("/usr/bin"));
        QVERIFY(!dir.endsWith(u'/'));
        QVERIFY(QFileInfo(dir).isDir());
    }
};

QTEST_GUILESS_MAIN(TestSystemServices)
#include "tst_SystemServices.moc"
