// The input-method preference: the SetIme window against a scripted platform, the stored
// handle text, the code letters of GY_HZBM, and the IBus road against a real daemon.
#include "HospitalTestBed.h"
#include "app/SetIme.h"
#include "app/core/ImePreference.h"
#include "app/core/LoginCheck.h"
#include "app/core/PlatformInputMethods.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/SqlTrace.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <limits>
#include <unistd.h>

namespace {

class FakeInputMethods : public IInputMethodService {
public:
    FakeInputMethods() { InputMethods::install(this); }
    ~FakeInputMethods() override { InputMethods::install(nullptr); }
    QList<InputMethod> installed() override { return methods; }
    qint32 active() override { return current; }
    bool activate(qint32 handle) override {
        activated.append(handle);
        return accepts;
    }
    QList<InputMethod> methods;
    qint32 current = 0;
    bool accepts = true;
    QList<qint32> activated;
};

const InputMethod kEnglish{0x04090409, QStringLiteral("us"), {}};
const InputMethod kPinyin{qint32(0xE0200804), QStringLiteral("pinyin"), QStringLiteral("智能拼音")};

} // namespace

class ImePreferenceTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void listsMethodsAndActiveOne();
    void savesPreferenceAndActivates();
    void savingWithoutMethodIsRefused();
    void storedHandleReadsBackEqual_data();
    void storedHandleReadsBackEqual();
    void codeLettersOneLookUpPerCharacter();
    void platformAnswersAreRead();
    void realIbusDaemon();

private:
    QString storedIme();
    std::unique_ptr<HospitalTestBed> m_bed;
    std::unique_ptr<FakeInputMethods> m_methods;
};

void ImePreferenceTest::init() {
    m_bed = std::make_unique<HospitalTestBed>();
    QVERIFY2(m_bed->db.isReady(), qPrintable(m_bed->db.error()));
    currentUser().GetUserName = QStringLiteral("张护士");
    gSearchType = QStringLiteral("五笔码");
    gIme = 0;
    m_methods = std::make_unique<FakeInputMethods>();
    m_methods->methods = {kEnglish, kPinyin};
}

void ImePreferenceTest::cleanup() {
    m_methods.reset();
    m_bed.reset();
}

QString ImePreferenceTest::storedIme() {
    return m_bed->db.scalar("select IME from userdb where username='张护士'").toString();
}

void ImePreferenceTest::listsMethodsAndActiveOne() {
    m_methods->current = kPinyin.handle;
    SetIme w;
    auto* list = w.findChild<QComboBox*>("srflb");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(0), QString("英语（美国）"));
    QCOMPARE(list->itemText(1), QString("智能拼音"));
    QCOMPARE(w.handles(), (QList<qint32>{kEnglish.handle, kPinyin.handle}));
    QCOMPARE(w.findChild<QLineEdit*>("dqsyslf")->text(), QString("智能拼音"));
    QCOMPARE(w.findChild<QComboBox*>("Combo1")->currentText(), QString("五笔码"));

    m_methods->current = kEnglish.handle;
    SetIme plain;
    QCOMPARE(plain.findChild<QLineEdit*>("dqsyslf")->text(), QString("英文输入法"));
}

void ImePreferenceTest::savesPreferenceAndActivates() {
    m_methods->accepts = false; // a refused activation does not stop the saving
    SetIme w;
    w.findChild<QComboBox*>("srflb")->setCurrentIndex(1);
    w.findChild<QComboBox*>("Combo1")->setCurrentIndex(2);
    w.findChild<QPushButton*>("Com_set")->click();
    QCOMPARE(m_bed->messages.texts(), QStringList{"输入法设置成功"});
    QCOMPARE(m_methods->activated, QList<qint32>{kPinyin.handle});
    QCOMPARE(gIme, kPinyin.handle);
    QCOMPARE(gSearchType, QString("编码"));
    QCOMPARE(m_bed->db.scalar("select SearchType from userdb where username='张护士'").toString(),
             QString("编码"));
    QCOMPARE(w.result(), int(QDialog::Accepted));
}

void ImePreferenceTest::savingWithoutMethodIsRefused() {
    m_methods->methods.clear();
    SetIme w;
    const QString before = storedIme();
    w.findChild<QPushButton*>("Com_set")->click();
    QCOMPARE(m_bed->messages.last().title, QString("提示"));
    QCOMPARE(m_bed->messages.last().text, QString("请先选择你要设置的输入法！"));
    QVERIFY(m_methods->activated.isEmpty());
    QCOMPARE(storedIme(), before);
}

void ImePreferenceTest::storedHandleReadsBackEqual_data() {
    QTest::addColumn<qint32>("handle");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << " 0";
    QTest::newRow("layout") << 0x04090409 << " 67699721";
    QTest::newRow("input method") << qint32(0xE0200804) << "-534771708";
    QTest::newRow("lowest") << std::numeric_limits<qint32>::min() << "-2147483648";
}

void ImePreferenceTest::storedHandleReadsBackEqual() {
    QFETCH(qint32, handle);
    QFETCH(QString, text);
    m_methods->methods = {{handle, QStringLiteral("m"), QStringLiteral("输入法")}};
    SetIme w;
    w.findChild<QPushButton*>("Com_set")->click();
    QCOMPARE(storedIme(), text);
    gIme = 12345;
    AppError error;
    RecordsetPtr row = gConn->execute("select * from userdb where username='张护士'", &error);
    QVERIFY(row && row->RecordCount() == 1);
    row->MoveFirst();
    ApplyUserPreferences(*row);
    QCOMPARE(gIme, handle);
}

void ImePreferenceTest::codeLettersOneLookUpPerCharacter() {
    const auto code = [this](const char* hz) {
        return m_bed->db.scalar(QString("select PY from GY_HZBM where HZ='") + hz + "'").toString();
    };
    const QString expected = code("血") + code("常") + code("规");
    QCOMPARE(expected.size(), 3);
    QVERIFY(m_bed->db.exec("delete from GY_HZBM where HZ='超'"));

    const QString trace = m_bed->folder.file("trace.log");
    qputenv("YJGL_SQL_TRACE", trace.toLocal8Bit());
    const QString joined = GetPY(" 血 常规 ");
    const QString mixed = GetPY("B2超");
    qunsetenv("YJGL_SQL_TRACE");

    QCOMPARE(joined, expected);
    QCOMPARE(mixed, QString("B2")); // the character without a code is dropped
    QCOMPARE(SqlTrace::readStatements(trace).size(), 4);
}

// The answers of the programs the platform service asks, as they print them.
void ImePreferenceTest::platformAnswersAreRead() {
    const QList<InputMethod> engines = PlatformInputMethods::parseIbusEngines(
        "language: Chinese\n  pinyin - 智能拼音\nlanguage: English\n  xkb:us::eng - English (US)\n");
    QCOMPARE(engines.size(), 2);
    QCOMPARE(engines.at(0).description, QString("智能拼音"));
    QVERIFY(engines.at(0).handle < 0);
    QVERIFY(engines.at(1).description.isEmpty()); // a layout, whatever IBus calls it
    QVERIFY(engines.at(1).handle >= 0);
    QCOMPARE(PlatformInputMethods::parseIbusPreload("  use-xmodmap: true\n  preload-engines: ['xkb:us::eng', "
                                                    "'pinyin']\n  engines-order: ['x']\n"),
             (QStringList{"xkb:us::eng", "pinyin"}));
    QCOMPARE(PlatformInputMethods::parseLayouts("XKBMODEL=\"pc105\"\nXKBLAYOUT=\"us,cn\"\n"),
             (QStringList{"us", "cn"}));
    QCOMPARE(PlatformInputMethods::parseLayouts("rules:      evdev\nlayout:     de\n"), QStringList{"de"});
    const auto pairs = PlatformInputMethods::parseFcitxPairs("('us', [('keyboard-us', ''), ('pinyin', '')])");
    QCOMPARE(pairs.size(), 2);
    QCOMPARE(pairs.at(1).first, QString("pinyin"));
}

// The platform service against an IBus daemon of its own, with two engines preloaded.
void ImePreferenceTest::realIbusDaemon() {
    const QString daemon = QStandardPaths::findExecutable("ibus-daemon");
    if (daemon.isEmpty() || QStandardPaths::findExecutable("ibus").isEmpty())
        QSKIP("IBus is not installed");
    const QString home = m_bed->folder.path();
    const QString config = home + "/config";
    QDir().mkpath(config + "/glib-2.0/settings");
    m_bed->folder.writeBytes("config/glib-2.0/settings/keyfile",
                             "[desktop/ibus/general]\npreload-engines=['xkb:us::eng', 'xkb:de::deu']\n");
    // The daemon of the test: its own folders, no desktop session, no session bus to share.
    const QList<QByteArray> names{
        "HOME",    "XDG_CONFIG_HOME", "XDG_CACHE_HOME",           "GSETTINGS_BACKEND",
        "DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "IBUS_ADDRESS"};
    QHash<QByteArray, QByteArray> saved;
    for (const QByteArray& n : names)
        saved.insert(n, qgetenv(n.constData()));
    qputenv("HOME", home.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home + "/cache").toLocal8Bit());
    qputenv("GSETTINGS_BACKEND", "keyfile");
    for (const char* n : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "IBUS_ADDRESS"})
        qunsetenv(n);

    // The daemon leaves its starter and leads a process group of its own with the engines it
    // starts; its address file names it, and the whole group is ended with it.
    const auto daemonPid = [config]() -> pid_t {
        for (const QFileInfo& f : QDir(config + "/ibus/bus").entryInfoList(QDir::Files)) {
            QFile file(f.filePath());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray& line : file.readAll().split('\n')) {
                if (line.startsWith("IBUS_DAEMON_PID="))
                    return pid_t(line.mid(16).trimmed().toLongLong());
            }
        }
        return 0;
    };
    QProcess ibus;
    ibus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ibus.start(daemon, {"--single", "--panel=disable", "--emoji-extension=disable", "--daemonize=false"});
    const auto stop = qScopeGuard([&] {
        if (const pid_t pid = daemonPid(); pid > 1) {
            ::kill(-pid, SIGTERM);
            QTest::qWait(300);
            ::kill(-pid, SIGKILL);
        }
        ibus.kill();
        ibus.waitForFinished(1000);
        for (auto it = saved.cbegin(); it != saved.cend(); ++it) {
            if (it.value().isEmpty())
                qunsetenv(it.key().constData());
            else
                qputenv(it.key().constData(), it.value());
        }
    });
    if (!ibus.waitForStarted(5000))
        QSKIP("the IBus daemon cannot be started here");
    QElapsedTimer waited;
    waited.start();
    while (QProcess::execute("ibus", {"list-engine", "--name-only"}) != 0) {
        if (waited.elapsed() > 15000)
            QSKIP("the IBus daemon does not answer here");
        QTest::qWait(200);
    }

    PlatformInputMethods platform;
    QCOMPARE(platform.backend(), PlatformInputMethods::Backend::IBus);
    const QList<InputMethod> methods = platform.installed();
    QCOMPARE(methods.size(), 2);
    QCOMPARE(methods.at(0).name, QString("xkb:us::eng"));
    QCOMPARE(methods.at(1).name, QString("xkb:de::deu"));
    QCOMPARE(ImeListText(methods.at(1)), QString("英语（美国）")); // a plain layout
    QVERIFY(methods.at(0).handle >= 0);
    QCOMPARE(methods.at(1).handle, InputMethods::HandleFor("xkb:de::deu", false));

    QVERIFY(platform.activate(methods.at(1).handle));
    QCOMPARE(platform.active(), methods.at(1).handle);
    InputMethods::install(&platform);
    QCOMPARE(getlayout(), QString("英文输入法"));
    InputMethods::install(m_methods.get());
}

QTEST_MAIN(ImePreferenceTest)
#include "tst_ime_preference.moc"
