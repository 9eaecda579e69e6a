// Local files of start-up and sign-in: DatabaseSet.data and User.data.
#include "app/core/ConnectionSettings.h"
#include "app/core/DatabaseSetFile.h"
#include "app/core/FileRegistryBackend.h"
#include "app/core/LastUserFile.h"
#include "common/core/AnsiCodec.h"
#include "support/FakeMessageService.h"
#include "support/HostileFiles.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <climits>

namespace {

// One record as the Windows version writes it: length, GBK bytes, then whatever the file
// buffer held.
QByteArray record(const QByteArray& gbk, char filler = '\0') {
    QByteArray r(DatabaseSetFile::RecordLength, filler);
    r[0] = char(gbk.size() & 0xff);
    r[1] = char(gbk.size() >> 8);
    r.replace(2, gbk.size(), gbk);
    return r;
}

QByteArray recordText(const QByteArray& file, int n) {
    const QByteArray r = file.mid((n - 1) * DatabaseSetFile::RecordLength, DatabaseSetFile::RecordLength);
    const int len = quint8(r[0]) | (quint8(r[1]) << 8);
    return r.mid(2, len);
}

} // namespace

#include <memory>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

class StartupFilesTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void connectionStringFormat();
    void roundTripWithChineseTexts();
    void readsFileWrittenByWindowsVersion();
    void recordsThreeAndFourSurviveSave();
    void recordLimitIs126Bytes();
    void emptyFieldsKeepTheEmbeddedDatabase();
    void tooLongTextLosesNothing();
    void missingFileIsCreatedOwnerOnly();
    void damagedFilesAreReportedNotCrashed_data();
    void damagedFilesAreReportedNotCrashed();
    void recordNumbersOutsideTheFileReadEmpty();
    void saveMendsDamagedFile();
    void lastUserFile();
    void writesFollowLinksOnlyToRegularFiles_data();
    void writesFollowLinksOnlyToRegularFiles();
    void filesThatAreNoFilesAreDamagedNotWaitedFor_data();
    void filesThatAreNoFilesAreDamagedNotWaitedFor();
    void lastUserFileInOtherEncodings_data();
    void lastUserFileInOtherEncodings();

private:
    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<FakeMessageService> m_messages;
};

void StartupFilesTest::init() {
    m_folder = std::make_unique<TestFolder>();
    m_messages = std::make_unique<FakeMessageService>();
}

void StartupFilesTest::cleanup() {
    m_messages.reset();
    m_folder.reset();
}

void StartupFilesTest::connectionStringFormat() {
    QCOMPARE(
        BuildConnectionString({"PC01", "orvadata", "sa", ""}),
        QStringLiteral("Provider=sqloledb;Data Source=PC01;Initial Catalog=orvadata;User ID=sa;Password=;"));
    // Fields go in as typed: nothing is escaped or trimmed.
    QCOMPARE(BuildConnectionString({" a;b", "c", "d", "e'f"}),
             QStringLiteral("Provider=sqloledb;Data Source= a;b;Initial Catalog=c;User ID=d;Password=e'f;"));
}

void StartupFilesTest::roundTripWithChineseTexts() {
    TestFolder& folder = *m_folder;
    FakeMessageService& messages = *m_messages;
    const ConnectionSettings written{"医院服务器", "门诊库", "管理员", "密码1"};
    QVERIFY(SaveSettings(written));

    ConnectionSettings read;
    QVERIFY(LoadSettings(&read));
    QCOMPARE(read.server, written.server);
    QCOMPARE(read.database, written.database);
    QCOMPARE(read.user, written.user);
    QCOMPARE(read.password, written.password);
    QCOMPARE(ReadConnectionString(), BuildConnectionString(written));
    QCOMPARE(messages.count(), 0);

    // Byte for byte: GBK with a little-endian length at the start of each 128-byte record.
    const QByteArray bytes = folder.readBytes("DatabaseSet.data");
    QCOMPARE(bytes.size(), 7 * 128);
    QCOMPARE(recordText(bytes, 2), AnsiCodec::encode("医院服务器"));
    QCOMPARE(bytes.mid(128, 2), QByteArray("\x0a\x00", 2));
    QCOMPARE(recordText(bytes, 5), AnsiCodec::encode("门诊库"));
    QCOMPARE(recordText(bytes, 6), AnsiCodec::encode("管理员"));
    QCOMPARE(recordText(bytes, 7), QByteArray("\xc3\xdc\xc2\xeb"
                                              "1"));
}

void StartupFilesTest::readsFileWrittenByWindowsVersion() {
    TestFolder& folder = *m_folder;
    FakeMessageService& messages = *m_messages;
    const QByteArray conn = AnsiCodec::encode(
        "Provider=sqloledb;Data Source=中心服务器;Initial Catalog=社区医院;User ID=sa;Password=x;");
    // The unused tail of a record holds leftovers from the file buffer.
    QByteArray file = record(conn, 'Z') + record(AnsiCodec::encode("中心服务器"), '\x7f') + record({}, 'q') +
                      record({}, 'q') + record(AnsiCodec::encode("社区医院"), '\xff') + record("sa", ' ');
    file += record("x").left(3); // the last record ends with its text
    folder.writeBytes("DatabaseSet.data", file);

    ConnectionSettings s;
    QVERIFY(LoadSettings(&s));
    QCOMPARE(s.server, QStringLiteral("中心服务器"));
    QCOMPARE(s.database, QStringLiteral("社区医院"));
    QCOMPARE(s.user, QStringLiteral("sa"));
    QCOMPARE(s.password, QStringLiteral("x"));
    QCOMPARE(ReadConnectionString(), AnsiCodec::decode(conn));
    QCOMPARE(messages.count(), 0);
}

void StartupFilesTest::recordsThreeAndFourSurviveSave() {
    TestFolder& folder = *m_folder;
    FakeMessageService& messages = *m_messages;
    QByteArray old = record("old") + record("srv");
    QByteArray three(128, '\0'), four(128, '\0');
    for (int i = 0; i < 128; ++i) {
        three[i] = char(i * 7 + 3);
        four[i] = char(255 - i);
    }
    old += three + four + record("db") + record("user") + record("a much longer old password");
    folder.writeBytes("DatabaseSet.data", old);

    QVERIFY(SaveSettings({"S", "D", "U", "p"}));
    const QByteArray now = folder.readBytes("DatabaseSet.data");
    QCOMPARE(now.mid(256, 128), three);
    QCOMPARE(now.mid(384, 128), four);
    QCOMPARE(recordText(now, 7), QByteArray("p"));
    QVERIFY2(!now.contains("longer"), "the old password must not linger after the new one");

    // Records 3 and 4 of a short file read empty (beyond the end) and save leaves them zero.
    TestFolder fresh;
    fresh.writeBytes("DatabaseSet.data", record("only one"));
    QVERIFY(SaveSettings({"S", "D", "U", "p"}));
    QCOMPARE(fresh.readBytes("DatabaseSet.data").mid(256, 256), QByteArray(256, '\0'));
}

void StartupFilesTest::emptyFieldsKeepTheEmbeddedDatabase() {
    // A demo set-up names its embedded database in record 1 only; retrying with the four empty
    // fields must not replace it by a server connection with no server.
    TestFolder& folder = *m_folder;
    FakeMessageService& messages = *m_messages;
    const QString embedded = QStringLiteral("Provider=SQLite;Data Source=/srv/医技/hospital.db;");
    folder.writeBytes("DatabaseSet.data", record(AnsiCodec::encode(embedded)));
    QVERIFY(SaveSettings({}));
    QCOMPARE(ReadConnectionString(), embedded);

    // Any typed field means the user is setting up a server connection.
    QVERIFY(SaveSettings({"PC01", "", "", ""}));
    QCOMPARE(ReadConnectionString(),
             QStringLiteral("Provider=sqloledb;Data Source=PC01;Initial Catalog=;User ID=;Password=;"));
    // And four empty fields over a server connection write the empty server string as before.
    QVERIFY(SaveSettings({}));
    QCOMPARE(ReadConnectionString(),
             QStringLiteral("Provider=sqloledb;Data Source=;Initial Catalog=;User ID=;Password=;"));
    QCOMPARE(messages.count(), 0);
}

void StartupFilesTest::recordLimitIs126Bytes() {
    TestFolder& folder = *m_folder;
    FakeMessageService& messages = *m_messages;
    // 67 fixed characters leave 59 bytes for the four fields; a Chinese character takes two.
    const ConnectionSettings fits{QString(20, QChar(u'服')), QString(9, 'd'), "sa", "pw"}; // 40+9+2+2=53
    QVERIFY(SaveSettings(fits));
    ConnectionSettings exact{QString(24, 's'), QString(30, 'd'), "sa", "pwd"}; // 59
    QCOMPARE(AnsiCodec::encode(BuildConnectionString(exact)).size(), 126);
    QVERIFY(SaveSettings(exact));
    QCOMPARE(ReadConnectionString(), BuildConnectionString(exact));
    QCOMPARE(messages.count(), 0);

    exact.password += QChar(u'码'); // two more bytes
    QVERIFY(!SaveSettings(exact));
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().title, QStringLiteral("读连接字符串时出错"));
    QCOMPARE(messages.last().icon, MsgIcon::Exclamation);
    QVERIFY(messages.last().text.startsWith(QStringLiteral("出错信息：")));
    QVERIFY(messages.last().text.contains(QStringLiteral("126")));
}

void StartupFilesTest::tooLongTextLosesNothing() {
    TestFolder& folder = *m_folder;
    FakeMessageService& messages = *m_messages;
    QVERIFY(SaveSettings({"srv", "db", "sa", "old"}));
    const QByteArray before = folder.readBytes("DatabaseSet.data");
    QVERIFY(!SaveSettings({QString(200, 'x'), "db", "sa", "new"}));
    QCOMPARE(folder.readBytes("DatabaseSet.data"), before);
}

void StartupFilesTest::missingFileIsCreatedOwnerOnly() {
    TestFolder& folder = *m_folder;
    FakeMessageService& messages = *m_messages;
    QVERIFY(!QFile::exists(folder.file("DatabaseSet.data")));
    QCOMPARE(ReadConnectionString(), QString());
    QCOMPARE(messages.count(), 0);
    QVERIFY(QFile::exists(folder.file("DatabaseSet.data")));
    QCOMPARE(QFileInfo(folder.file("DatabaseSet.data")).size(), 0);
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto others =
        QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    QCOMPARE(QFile::permissions(folder.file("DatabaseSet.data")) & (ownerOnly | others), ownerOnly);

    // A save tightens a file that others could read.
    QFile::setPermissions(folder.file("DatabaseSet.data"), ownerOnly | QFileDevice::ReadOther);
    QVERIFY(SaveSettings({"s", "d", "u", "secret"}));
    QCOMPARE(QFile::permissions(folder.file("DatabaseSet.data")) & (ownerOnly | others), ownerOnly);
}

void StartupFilesTest::damagedFilesAreReportedNotCrashed_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("connection");
    QTest::addColumn<bool>("reported");
    QTest::newRow("zero length") << QByteArray() << QString() << false;
    QTest::newRow("one byte") << QByteArray("\x05", 1) << QString() << true;
    QTest::newRow("text cut short") << record("Provider=sqloledb;").left(10) << QString() << true;
    QTest::newRow("length field 127")
        << QByteArray("\x7f\x00", 2) + QByteArray(126, 'a') << QString() << true;
    QTest::newRow("length field 65535") << QByteArray(128, '\xff') << QString() << true;
    QTest::newRow("record 1 fine, 2 damaged")
        << record("conn") + QByteArray("\x80\x00", 2) << QStringLiteral("conn") << false;
}

void StartupFilesTest::damagedFilesAreReportedNotCrashed() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, connection);
    QFETCH(bool, reported);
    TestFolder& folder = *m_folder;
    FakeMessageService& messages = *m_messages;
    folder.writeBytes("DatabaseSet.data", bytes);

    QCOMPARE(ReadConnectionString(), connection);
    QCOMPARE(messages.count(), reported ? 1 : 0);
    if (reported) {
        QCOMPARE(messages.last().title, QStringLiteral("读取连接字符串时出错"));
        QVERIFY(messages.last().text.startsWith(QStringLiteral("出错信息：")));
        QVERIFY(messages.last().text.size() > 6);
    }
    messages.clear();
    ConnectionSettings s{"keep", "keep", "keep", "keep"};
    const bool loaded = LoadSettings(&s);
    if (bytes.size() >= 130 && !connection.isEmpty()) {
        QVERIFY(!loaded);
        QCOMPARE(messages.last().title, QStringLiteral("读取连接串时出错!"));
        QVERIFY(messages.last().text.startsWith(QStringLiteral("出错信息:")));
        QCOMPARE(s.server, QStringLiteral("keep"));
    } else {
        QVERIFY(loaded);
        QCOMPARE(s.server, QString());
    }
    QCOMPARE(folder.readBytes("DatabaseSet.data"), bytes); // reading never changes the file
}

void StartupFilesTest::recordNumbersOutsideTheFileReadEmpty() {
    TestFolder& folder = *m_folder;
    folder.writeBytes("DatabaseSet.data", record("one") + record("two"));
    QStringList texts;
    AppError error;
    QVERIFY(DatabaseSetFile::readRecords(folder.file("DatabaseSet.data"), {0, -1, INT_MIN, 3, INT_MAX, 2},
                                         &texts, &error));
    QCOMPARE(texts, QStringList({"", "", "", "", "", "two"}));
}

void StartupFilesTest::saveMendsDamagedFile() {
    TestFolder& folder = *m_folder;
    FakeMessageService& messages = *m_messages;
    folder.writeBytes("DatabaseSet.data", QByteArray(300, '\xff'));
    QVERIFY(SaveSettings({"s", "d", "u", "p"}));
    QCOMPARE(ReadConnectionString(), BuildConnectionString({"s", "d", "u", "p"}));
    QCOMPARE(messages.count(), 0);
}

void StartupFilesTest::filesThatAreNoFilesAreDamagedNotWaitedFor_data() {
    QTest::addColumn<HostileFiles::Kind>("kind");
    QTest::newRow("FIFO") << HostileFiles::Kind::Fifo;
    QTest::newRow("link to /dev/zero") << HostileFiles::Kind::EndlessDevice;
}

void StartupFilesTest::filesThatAreNoFilesAreDamagedNotWaitedFor() {
    QFETCH(HostileFiles::Kind, kind);
    TestFolder folder;
    FakeMessageService messages;
    QVERIFY(HostileFiles::make(kind, folder.file("DatabaseSet.data")));
    QVERIFY(HostileFiles::make(kind, folder.file("User.data")));
    const HostileFiles::Watchdog watchdog(20);

    QCOMPARE(ReadConnectionString(), QString());
    QCOMPARE(messages.last().title, QStringLiteral("读取连接字符串时出错"));
    QVERIFY2(messages.last().text.contains(QStringLiteral("不是普通文件")), qPrintable(messages.last().text));
    ConnectionSettings s{"keep", "keep", "keep", "keep"};
    QVERIFY(!LoadSettings(&s));
    QCOMPARE(s.server, QStringLiteral("keep"));
    QVERIFY(!SaveSettings({"s", "d", "u", "p"}));
    QCOMPARE(messages.count(), 3);
    QCOMPARE(LastUserFile::read(), QString());
}

void StartupFilesTest::writesFollowLinksOnlyToRegularFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("folder") << "folder";
    QTest::newRow("nothing") << "nothing";
    // A device node of our own (the null device's numbers) where we may make one.
    if (::geteuid() == 0)
        QTest::newRow("device") << "device";
}

void StartupFilesTest::writesFollowLinksOnlyToRegularFiles() {
    QFETCH(QString, kind);
    TestFolder folder;
    FakeMessageService messages;
    const QString target = folder.file("target");
    const QByteArray name = QFile::encodeName(target);
    if (kind == u"fifo")
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    else if (kind == u"folder")
        QVERIFY(QDir().mkpath(target));
    else if (kind == u"device")
        QCOMPARE(::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)), 0);
    struct stat before {};
    ::lstat(name.constData(), &before);
    const QString registry = folder.file("registry.store");
    for (const char* file : {"User.data", "DatabaseSet.data", "registry.store"})
        QVERIFY(QFile::link(target, folder.file(file)));
    const HostileFiles::Watchdog watchdog(20);

    QVERIFY(!LastUserFile::save("张三"));
    QVERIFY(!SaveSettings({"s", "d", "u", "p"}));
    QVERIFY2(messages.last().text.contains(QStringLiteral("不是普通文件")), qPrintable(messages.last().text));
    QVERIFY(!FileRegistryBackend(registry).setValue(0x80000001, "Control Panel\\International", "sDate",
                                                    {1, QByteArray("-")}));
    // What the links point at is as it was, and the links are still links.
    struct stat after {};
    ::lstat(name.constData(), &after);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_ino, before.st_ino);
    for (const char* file : {"User.data", "DatabaseSet.data", "registry.store"})
        QVERIFY(QFileInfo(folder.file(file)).isSymLink());

    // A link to a regular file: the file is written, the link stays.
    QFile::remove(target);
    QDir(target).removeRecursively();
    folder.writeBytes("target", "old\r\n");
    QVERIFY(LastUserFile::save("张三"));
    QCOMPARE(folder.readBytes("target"), AnsiCodec::encode("张三") + "\r\n");
    QVERIFY(QFileInfo(folder.file("User.data")).isSymLink());
}

void StartupFilesTest::lastUserFile() {
    TestFolder& folder = *m_folder;
    QCOMPARE(LastUserFile::read(), QString()); // no file: silent and empty
    QVERIFY(LastUserFile::save("张三"));
    QCOMPARE(folder.readBytes("User.data"), AnsiCodec::encode("张三") + "\r\n");
    QCOMPARE(LastUserFile::read(), QStringLiteral("张三"));
    // Only the last user is kept.
    QVERIFY(LastUserFile::save("admin"));
    QCOMPARE(folder.readBytes("User.data"), QByteArray("admin\r\n"));
    QCOMPARE(LastUserFile::read(), QStringLiteral("admin"));
}

void StartupFilesTest::lastUserFileInOtherEncodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("GBK, LF only") << AnsiCodec::encode("李四") + "\n" << QStringLiteral("李四");
    QTest::newRow("GBK, no line end") << AnsiCodec::encode("李四") << QStringLiteral("李四");
    QTest::newRow("two lines") << QByteArray("first\r\nsecond\r\n") << QStringLiteral("first");
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + QString("王五").toUtf8() + "\r\n"
                                    << QStringLiteral("王五");
    // These bytes are no GBK text, so they are read as the UTF-8 they are.
    QTest::newRow("UTF-8 without BOM") << QString("王1").toUtf8() + "\r\n" << QStringLiteral("王1");
    QTest::newRow("empty") << QByteArray() << QString();
}

void StartupFilesTest::lastUserFileInOtherEncodings() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    TestFolder& folder = *m_folder;
    folder.writeBytes("User.data", bytes);
    QCOMPARE(LastUserFile::read(), expected);
}

QTEST_GUILESS_MAIN(StartupFilesTest)
#include "tst_startup_files.moc"
