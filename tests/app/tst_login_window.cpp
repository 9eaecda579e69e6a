// The login window, the connection-settings dialog and the start-up sequence, driven
// offscreen on a demo database.
#include "app/ChildWindowServices.h"
#include "app/LinkDatabaseErr.h"
#include "app/SettingsMessages.h"
#include "app/Startup.h"
#include "app/core/DatabaseSetFile.h"
#include "app/core/ProcessExit.h"
#include "app/core/clsRegistry.h"
#include "app/mainfrm.h"
#include "app/password.h"
#include "common/core/AnsiCodec.h"
#include "common/core/Clock.h"
#include "common/core/ProgramFolder.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/demo/DemoDatabase.h"
#include "execution/SelectKS.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Acts on the next modal window of type T once it is up (a modal exec blocks the test).
template <typename T> void whenModal(std::function<void(T*)> act, QWidget* notThis = nullptr) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    auto ticks = std::make_shared<int>(0);
    // Once the window to skip is gone, a new one may take its very address.
    const QPointer<QWidget> skip(notThis);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, skip, ticks] {
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        if (w && w != skip.data() && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        } else if (++*ticks > 1000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

// `centre` receives the middle of the chooser's frame as it opened.
void chooseDepartment(const QString& name, QPoint* centre = nullptr) {
    whenModal<SelectKS>([name, centre](SelectKS* chooser) {
        if (centre)
            *centre = chooser->frameGeometry().center();
        auto* ks = chooser->findChild<QComboBox*>("KS");
        ks->setCurrentIndex(ks->findText(name));
        chooser->findChild<QPushButton*>("Command1")->click();
    });
}

QString dbString() {
    return QStringLiteral("Provider=SQLite;Data Source=hospital.db;");
}

} // namespace

class LoginWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadsWithControlsLastUserAndClock();
    void signsInWithEnterAndChoosesDepartment();
    void wrongPasswordsThenLimitEndsProgram();
    void unknownUserKeepsWindowOpen();
    void exitButton();
    void switchUserUpdatesOperatorOnly();
    void leavingTheChooserCancelsASwitch();
    void userWithoutRightEndsProcess();
    void signInAgainKeepsOneMainWindow();

    void settingsDialogLooks();
    void settingsDialogButtons();
    void settingsTooLongStayInDialog();
    void settingsDialogOffersEveryEngine();
    void retryKeepsTheStoredEngineAndWritesOnlyChanges();
    void settingsDialogClosingEndsProgram();
    void connectionErrorDialogsDoNotStack();

    void skinStyleSheet();
    void mainNormalStart();
    void mainWithoutSettingsShowsDialog();
    void mainRetryRunsAgain();
    void mainRetriesDoNotPileUp();
    void mainHandOffSignsIn();
    void mainHandOffWithWrongPasswordShowsLogin();
    void mainHandOffMalformed();

private:
    QString programFile(const QString& name) const { return QDir(m_program).filePath(name); }
    void writeSettings(const QString& connectionString);

    QTemporaryDir m_master;
    QString m_masterFile;
    QString m_pw;
    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<FakeMessageService> m_messages;
    QString m_program;
    int m_exitApp = 0;
    QList<int> m_processExits;
    int m_mainShown = 0;
    QStringList m_operatorTexts;
};

void LoginWindowTest::initTestCase() {
    m_masterFile = m_master.filePath("hospital.db");
    DemoOptions options;
    options.documents = 0;
    AppError error;
    QVERIFY2(DemoDatabase::create(m_masterFile, options, &error), qPrintable(error.description));
    m_pw = DemoDatabase::defaultPassword();
    qputenv("YJGL_REGISTRY_FILE", QFile::encodeName(m_master.filePath("registry.dat")));
}

void LoginWindowTest::init() {
    m_folder = std::make_unique<TestFolder>();
    m_messages = std::make_unique<FakeMessageService>();
    // The program sits one level down, so the shared LBReg folder is its sibling.
    QDir(m_folder->path()).mkpath("YJ");
    QDir(m_folder->path()).mkpath("LBReg");
    m_program = m_folder->file("YJ");
    ProgramFolder::setOverride(m_program);
    QFile::copy(QDir(TestFolder::sourceDir()).filePath("resources/LBReg/LBLogIn.jpg"),
                m_folder->file("LBReg/LBLogIn.jpg"));
    QVERIFY(QFile::copy(m_masterFile, programFile("hospital.db")));

    gConnStr = dbString();
    resetGlobalConnection(gConnStr);
    QVERIFY(gConn->open());
    delete gUser;
    gUser = nullptr;
    gExecDept.clear();
    gReLogin = false;
    gHospitalName.clear();

    m_exitApp = 0;
    m_processExits.clear();
    m_mainShown = 0;
    m_operatorTexts.clear();
    SetExitAppHook([this] { ++m_exitApp; });
    ProcessExit::install([this](int code) { m_processExits << code; });
    SelectKS::setExitHandler([] {});
    password::Flow flow;
    flow.showMainWindow = [this] { ++m_mainShown; };
    flow.showOperator = [this](const QString& text) { m_operatorTexts << text; };
    password::setFlow(flow);
    Startup::setCommandLine(QString(""));
}

void LoginWindowTest::cleanup() {
    // Deleting a window also deletes its own top-level popups: hold guarded pointers.
    QList<QPointer<password>> windows;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* login = qobject_cast<password*>(w))
            windows << login;
    }
    for (const QPointer<password>& w : windows)
        delete w.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SetExitAppHook({});
    ProcessExit::install({});
    SelectKS::setExitHandler({});
    password::setFlow({});
    Startup::setCommandLine(QString());
    if (gConn)
        gConn->close();
    m_messages.reset();
    m_folder.reset();
}

void LoginWindowTest::writeSettings(const QString& connectionString) {
    AppError error;
    QVERIFY(DatabaseSetFile::writeRecords(DatabaseSetFile::path(), {{1, connectionString}}, &error));
}

void LoginWindowTest::loadsWithControlsLastUserAndClock() {
    m_folder->writeBytes("YJ/User.data", AnsiCodec::encode("张护士") + "\r\n");
    Clock::setServerOffsetMs(-86400000);
    password w;
    QCOMPARE(w.objectName(), QStringLiteral("password"));
    QCOMPARE(w.windowTitle(), QStringLiteral("登陆健康档案管理系统"));
    QCOMPARE(w.findChild<QLabel*>("Label1")->text(), QStringLiteral("用户姓名："));
    QCOMPARE(w.findChild<QLabel*>("Label2")->text(), QStringLiteral("用户密码："));
    QCOMPARE(w.findChild<QPushButton*>("Command1")->text(), QStringLiteral("登陆(&P)"));
    QCOMPARE(w.findChild<QPushButton*>("Command2")->text(), QStringLiteral("退出(&Q)"));
    QCOMPARE(w.findChild<QLineEdit*>("Text1")->echoMode(), QLineEdit::Password);
    auto* masked = w.findChild<QLineEdit*>("Text1");
    QCOMPARE(masked->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, masked), int('*'));
    QVERIFY(!w.findChild<QLabel*>("Image1")->pixmap().isNull());
    QCOMPARE(password::loginPicturePath(), QDir::toNativeSeparators(m_folder->path() + "/LBReg/LBLogIn.jpg"));

    auto* combo = w.findChild<QComboBox*>("Combo1");
    QVERIFY(combo->isEditable());
    QCOMPARE(combo->count(), 7);
    QCOMPARE(combo->itemText(0), QStringLiteral("管理员"));
    QCOMPARE(combo->currentText(), QStringLiteral("张护士"));
    QCOMPARE(w.loginCheck().users().size(), 7);
    // The server's time replaced the day-old offset; the computer's clock was not touched.
    QVERIFY(qAbs(Clock::serverOffsetMs()) < 5000);
    QCOMPARE(m_messages->count(), 0);

    // Without User.data and without the picture the load is silent.
    QFile::remove(programFile("User.data"));
    QFile::remove(m_folder->file("LBReg/LBLogIn.jpg"));
    password bare;
    QCOMPARE(bare.findChild<QComboBox*>("Combo1")->currentText(), QString());
    QVERIFY(bare.findChild<QLabel*>("Image1")->pixmap().isNull());
    QCOMPARE(m_messages->count(), 0);
}

void LoginWindowTest::signsInWithEnterAndChoosesDepartment() {
    QPointer<password> w = new password;
    w->show();
    QApplication::setActiveWindow(w);
    QVERIFY(QTest::qWaitForWindowActive(w));
    auto* combo = w->findChild<QComboBox*>("Combo1");
    auto* text1 = w->findChild<QLineEdit*>("Text1");
    combo->setFocus();
    combo->setEditText("李检验");
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QTRY_VERIFY(text1->hasFocus());
    QTest::keyClicks(text1, m_pw);

    const QString department = DemoDatabase::departments().value(1);
    QVERIFY(!department.isEmpty());
    chooseDepartment(department);
    QTest::keyClick(text1, Qt::Key_Return);

    QCOMPARE(gExecDept, department);
    QVERIFY(gUser);
    QCOMPARE(gUser->GetUserName, QStringLiteral("李检验"));
    QCOMPARE(gUser->GetGroup, QStringLiteral("医技科室"));
    QCOMPARE(gIme, 134481924);
    QCOMPARE(gSearchType, QStringLiteral("拼音码"));
    QCOMPARE(m_folder->readBytes("YJ/User.data"), AnsiCodec::encode("李检验") + "\r\n");
    QCOMPARE(m_mainShown, 1);
    QVERIFY(m_operatorTexts.isEmpty());
    QCOMPARE(m_messages->count(), 0);
    // The login window unloads itself.
    QTRY_VERIFY(w.isNull());

    // The next start proposes that user.
    password again;
    QCOMPARE(again.findChild<QComboBox*>("Combo1")->currentText(), QStringLiteral("李检验"));
}

void LoginWindowTest::wrongPasswordsThenLimitEndsProgram() {
    password w;
    w.show();
    w.findChild<QComboBox*>("Combo1")->setEditText("admin");
    auto* text1 = w.findChild<QLineEdit*>("Text1");
    auto* login = w.findChild<QPushButton*>("Command1");
    for (const char* typed : {"%", "[a-z]%"}) {
        text1->setText(typed);
        login->click();
    }
    QCOMPARE(m_exitApp, 0);
    QVERIFY(w.isVisible());
    QCOMPARE(m_messages->texts(), QStringList({"密码错误，请重新输入！", "密码错误，请重新输入！"}));
    QCOMPARE(m_messages->last().title, QStringLiteral("出错了"));
    QCOMPARE(m_messages->last().icon, MsgIcon::Critical);
    m_messages->clear();
    text1->setText("_");
    login->click();
    QCOMPARE(m_messages->texts(), QStringList({"密码错误，请重新输入！", "超过限制次数！本程序即将退出"}));
    QCOMPARE(m_messages->last().icon, MsgIcon::Information);
    QCOMPARE(m_messages->last().title, Messages::applicationTitle());
    QCOMPARE(m_exitApp, 1);
    QVERIFY(!gUser);
    QVERIFY(!QFile::exists(programFile("User.data")));
}

void LoginWindowTest::unknownUserKeepsWindowOpen() {
    password w;
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.findChild<QComboBox*>("Combo1")->setEditText("ADMIN");
    auto* text1 = w.findChild<QLineEdit*>("Text1");
    text1->setFocus();
    text1->setText(m_pw);
    QVERIFY(!w.TestUserPassword("ADMIN", m_pw));
    QCOMPARE(m_messages->last().text, QStringLiteral("该用户不存在！"));
    QCOMPARE(m_messages->last().title, QStringLiteral("出错了"));
    QCOMPARE(m_messages->last().icon, MsgIcon::Exclamation);
    QTRY_VERIFY(w.findChild<QComboBox*>("Combo1")->hasFocus());
    QCOMPARE(w.loginCheck().failures(), 0);
    QVERIFY(w.isVisible());
}

void LoginWindowTest::exitButton() {
    {
        password w;
        w.show();
        w.findChild<QPushButton*>("Command2")->click();
        QCOMPARE(m_exitApp, 1);
    }
    // Switching user: only the login window goes.
    gReLogin = true;
    QPointer<password> w = new password;
    w->show();
    w->findChild<QPushButton*>("Command2")->click();
    QTRY_VERIFY(w.isNull());
    QCOMPARE(m_exitApp, 1);
}

void LoginWindowTest::switchUserUpdatesOperatorOnly() {
    currentUser().GetUserName = "admin";
    gExecDept = "old";
    gReLogin = true;
    QPointer<password> w = new password;
    const QString department = DemoDatabase::departments().value(0);
    chooseDepartment(department);
    QSignalSpy switched(&SessionEvents::instance(), &SessionEvents::userSwitched);
    QVERIFY(!w->TestUserPassword("张护士", "wrong"));
    QCOMPARE(switched.count(), 0);
    QVERIFY(w->TestUserPassword("张护士", m_pw));
    QCOMPARE(switched.count(), 1); // open windows take the new user
    QCOMPARE(m_operatorTexts, QStringList({"操作员：张护士"}));
    QCOMPARE(m_mainShown, 0);
    QCOMPARE(gUser->GetUserName, QStringLiteral("张护士"));
    QCOMPARE(gExecDept, department);
    QTRY_VERIFY(w.isNull());
}

void LoginWindowTest::leavingTheChooserCancelsASwitch() {
    int exits = 0;
    SelectKS::setExitHandler([&exits] { ++exits; });
    QSignalSpy switched(&SessionEvents::instance(), &SessionEvents::userSwitched);
    // Esc, then the close box: each time the previous user stays in the previous department.
    for (const bool byEscape : {true, false}) {
        currentUser().GetUserName = "admin";
        currentUser().UserPassword = "old";
        gExecDept = "old";
        gReLogin = true;
        QPointer<password> w = new password;
        whenModal<SelectKS>([byEscape](SelectKS* chooser) {
            if (byEscape)
                QTest::keyClick(chooser, Qt::Key_Escape);
            else
                chooser->close();
        });
        QVERIFY(!w->TestUserPassword("张护士", m_pw));
        QCOMPARE(gUser->GetUserName, QStringLiteral("admin"));
        QCOMPARE(gUser->UserPassword, QStringLiteral("old"));
        QCOMPARE(gExecDept, QStringLiteral("old"));
        QTRY_VERIFY(w.isNull());
    }
    QCOMPARE(exits, 0);
    QCOMPARE(switched.count(), 0);
    QVERIFY(m_operatorTexts.isEmpty());
    QVERIFY(!QFile::exists(programFile("User.data")));
}

void LoginWindowTest::userWithoutRightEndsProcess() {
    password w;
    QVERIFY(!w.TestUserPassword(DemoDatabase::userWithoutRight(), m_pw));
    QCOMPARE(m_messages->texts(), QStringList({"您没有进入医技管理的权限，请给管理员联系！"}));
    QCOMPARE(m_messages->last().title, QStringLiteral("系统提示"));
    QCOMPARE(m_messages->last().icon, MsgIcon::Exclamation);
    QCOMPARE(m_processExits, QList<int>({0}));
    QCOMPARE(m_mainShown, 0);
    QCOMPARE(gExecDept, QString());
    QVERIFY(!QFile::exists(programFile("User.data")));
}

void LoginWindowTest::signInAgainKeepsOneMainWindow() {
    // A retry from the settings dialog runs start-up again while the main window is open.
    const password::Flow real = password::defaultFlow();
    currentUser().GetUserName = "admin";
    real.showMainWindow();
    currentUser().GetUserName = "李检验";
    real.showMainWindow();
    QList<QPointer<mainfrm>> mains;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* m = qobject_cast<mainfrm*>(w))
            mains << m;
    }
    QCOMPARE(mains.size(), 1);
    QVERIFY(mains.first()->isVisible());
    QCOMPARE(mains.first()->panelText(4), QStringLiteral("李检验"));
    delete mains.first().data();
}

void LoginWindowTest::settingsDialogLooks() {
    AppError error;
    QVERIFY(DatabaseSetFile::writeRecords(
        DatabaseSetFile::path(), {{2, "中心服务器"}, {5, "社区医院"}, {6, "sa"}, {7, "pw"}}, &error));
    LinkDatabaseErr d;
    d.setErrorText("连接失败");
    QCOMPARE(d.windowTitle(), QStringLiteral("数据库连接错误"));
    QCOMPARE(d.findChild<QLabel*>("ShowTitle")->text(), LinkDatabaseErr::titleText());
    QVERIFY(LinkDatabaseErr::titleText().startsWith("      由于以下数据库错误"));
    auto* err = d.findChild<QPlainTextEdit*>("ErrInfoShow");
    QCOMPARE(err->toPlainText(), QStringLiteral("连接失败"));
    QCOMPARE(err->palette().color(QPalette::Text), QColor(255, 0, 0));
    const QColor blue(197, 221, 255);
    QCOMPARE(d.palette().color(QPalette::Window), blue);
    QCOMPARE(d.findChild<QWidget*>("Xp_Frame1")->palette().color(QPalette::Window), blue);
    QCOMPARE(err->palette().color(QPalette::Base), blue);
    const QList<QPair<const char*, QString>> captions{
        {"Label1", "服务器名："}, {"Label2", "数据库名称"}, {"Label3", "用户名："}, {"Label4", "登陆密码："}};
    for (const auto& [name, caption] : captions)
        QCOMPARE(d.findChild<QLabel*>(name)->text(), caption);
    const QList<QPair<const char*, QString>> buttons{{"Command4", "恢复默认值"},
                                                     {"ButSet", "设置(&S)"},
                                                     {"ButRec", "重试(&R)"},
                                                     {"ButExit", "退出(&X)"},
                                                     {"Command1", "帮助(&H)"}};
    for (const auto& [name, caption] : buttons)
        QCOMPARE(d.findChild<QPushButton*>(name)->text(), caption);
    // The stored settings fill the fields; this computer is among the servers.
    auto* server = d.findChild<QComboBox*>("TxtServerName");
    QCOMPARE(server->currentText(), QStringLiteral("中心服务器"));
    QVERIFY(server->findText(QSysInfo::machineHostName()) >= 0);
    QCOMPARE(d.findChild<QLineEdit*>("TxtDatabaseName")->text(), QStringLiteral("社区医院"));
    QCOMPARE(d.findChild<QLineEdit*>("TxtUser")->text(), QStringLiteral("sa"));
    QCOMPARE(d.findChild<QLineEdit*>("TxtPassword")->text(), QStringLiteral("pw"));
    QCOMPARE(
        d.GetConectionstr(),
        QStringLiteral(
            "Provider=sqloledb;Data Source=中心服务器;Initial Catalog=社区医院;User ID=sa;Password=pw;"));
}

void LoginWindowTest::settingsDialogButtons() {
    LinkDatabaseErr d;
    d.show();
    d.findChild<QLineEdit*>("TxtPassword")->clear();
    d.findChild<QLineEdit*>("TxtDatabaseName")->setText("other");
    // Collapsed, the settings frame is out of sight below the buttons.
    auto* frame = d.findChild<QWidget*>("Xp_Frame1");
    QVERIFY(d.findChild<QPushButton*>("ButRec")->geometry().bottom() < d.height());
    QVERIFY(frame->geometry().top() >= d.height());
    d.findChild<QPushButton*>("ButSet")->click();
    QCOMPARE(d.height(), 365); // 5475 twips
    QVERIFY(frame->geometry().bottom() < d.height());

    d.findChild<QLineEdit*>("TxtPassword")->setText("keep");
    d.findChild<QPushButton*>("Command4")->click();
    QCOMPARE(d.findChild<QComboBox*>("TxtServerName")->currentText(), QSysInfo::machineHostName());
    QCOMPARE(d.findChild<QLineEdit*>("TxtDatabaseName")->text(), QStringLiteral("orvadata"));
    QCOMPARE(d.findChild<QLineEdit*>("TxtUser")->text(), QStringLiteral("sa"));
    QCOMPARE(d.findChild<QLineEdit*>("TxtPassword")->text(), QStringLiteral("keep"));

    d.findChild<QComboBox*>("TxtServerName")->setEditText("PC01");
    d.findChild<QLineEdit*>("TxtPassword")->clear();
    d.findChild<QPushButton*>("ButRec")->click();
    QCOMPARE(d.state(), QStringLiteral("Start"));
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QVERIFY(m_processExits.isEmpty());
    QStringList records;
    QVERIFY(DatabaseSetFile::readRecords(DatabaseSetFile::path(), {1, 2, 5, 6, 7}, &records, nullptr));
    QCOMPARE(records,
             QStringList({"Provider=sqloledb;Data Source=PC01;Initial Catalog=orvadata;User ID=sa;Password=;",
                          "PC01", "orvadata", "sa", ""}));
}

void LoginWindowTest::settingsTooLongStayInDialog() {
    AppError error;
    QVERIFY(DatabaseSetFile::writeRecords(
        DatabaseSetFile::path(),
        {{1, "Provider=sqloledb;Data Source=old;Initial Catalog=;User ID=;Password=;"}, {2, "old"}}, &error));
    const QByteArray before = m_folder->readBytes("YJ/DatabaseSet.data");
    LinkDatabaseErr d;
    d.show();
    auto* server = d.findChild<QComboBox*>("TxtServerName");
    auto* database = d.findChild<QLineEdit*>("TxtDatabaseName");
    server->setEditText(QString(30, QChar(u'服'))); // 60 bytes: the connection string is too long
    database->setText("orvadata");
    d.findChild<QPushButton*>("ButRec")->click();
    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->last().title, QStringLiteral("读连接字符串时出错"));
    // Nothing saved, nothing typed lost, no retry on the old settings.
    QVERIFY(d.isVisible());
    QCOMPARE(d.state(), QString());
    QCOMPARE(server->currentText(), QString(30, QChar(u'服')));
    QCOMPARE(m_folder->readBytes("YJ/DatabaseSet.data"), before);
    QVERIFY(m_processExits.isEmpty());

    server->setEditText("PC01");
    d.findChild<QPushButton*>("ButRec")->click();
    QCOMPARE(d.state(), QStringLiteral("Start"));
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(m_messages->count(), 1);
    QStringList records;
    QVERIFY(DatabaseSetFile::readRecords(DatabaseSetFile::path(), {2, 5}, &records, nullptr));
    QCOMPARE(records, QStringList({"PC01", "orvadata"}));

    QVERIFY(FitsSettingsFile({QString(24, 's'), QString(30, 'd'), "sa", "pwd"}));
    QVERIFY(!FitsSettingsFile({QString(24, 's'), QString(30, 'd'), "sa", "pwd4"}));
    QVERIFY(!FitsSettingsFile({"", "", "", QString(127, 'p')}));
}

void LoginWindowTest::retryKeepsTheStoredEngineAndWritesOnlyChanges() {
    const QString postgres = QStringLiteral(
        "Provider=PostgreSQL;Data Source=db.local:5433;Initial Catalog=yj;User ID=u;Password=p;");
    AppError error;
    QVERIFY(DatabaseSetFile::writeRecords(DatabaseSetFile::path(), {{1, postgres}}, &error));
    const QByteArray before = m_folder->readBytes("YJ/DatabaseSet.data");
    {
        // The stored connection is shown; retrying it unchanged leaves the file alone.
        LinkDatabaseErr d;
        QCOMPARE(d.findChild<QComboBox*>("TxtServerName")->currentText(), QStringLiteral("db.local:5433"));
        QCOMPARE(d.findChild<QLineEdit*>("TxtDatabaseName")->text(), QStringLiteral("yj"));
        QCOMPARE(d.findChild<QLineEdit*>("TxtUser")->text(), QStringLiteral("u"));
        QCOMPARE(d.findChild<QLineEdit*>("TxtPassword")->text(), QStringLiteral("p"));
        d.findChild<QPushButton*>("ButRec")->click();
        QCOMPARE(d.state(), QStringLiteral("Start"));
        QCOMPARE(m_folder->readBytes("YJ/DatabaseSet.data"), before);
    }
    // A corrected field is written back on the same engine; the old file stays beside it.
    LinkDatabaseErr d;
    d.findChild<QLineEdit*>("TxtPassword")->setText("q");
    d.findChild<QPushButton*>("ButRec")->click();
    QCOMPARE(d.state(), QStringLiteral("Start"));
    QCOMPARE(ReadConnectionString(),
             QStringLiteral(
                 "Provider=PostgreSQL;Data Source=db.local:5433;Initial Catalog=yj;User ID=u;Password=q;"));
    QCOMPARE(m_folder->readBytes("YJ/DatabaseSet.data.bak"), before);
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFile::permissions(m_folder->file("YJ/DatabaseSet.data.bak")) & others, QFile::Permissions());
    QCOMPARE(m_messages->count(), 0);
}

void LoginWindowTest::settingsDialogOffersEveryEngine() {
    QVERIFY(!QFile::exists(programFile("DatabaseSet.data")));
    const auto choose = [](LinkDatabaseErr& d, const QString& engine) {
        auto* box = d.findChild<QComboBox*>("CboEngine");
        box->setCurrentIndex(box->findText(engine));
    };
    {
        LinkDatabaseErr d;
        d.show();
        d.findChild<QPushButton*>("ButSet")->click();
        auto* engines = d.findChild<QComboBox*>("CboEngine");
        QStringList names;
        for (int i = 0; i < engines->count(); ++i)
            names << engines->itemText(i);
        QCOMPARE(names, QStringList({"SQL Server", "PostgreSQL", "本机数据库文件", "ODBC 数据源"}));
        QCOMPARE(engines->currentText(), QStringLiteral("SQL Server"));
        QCOMPARE(d.findChild<QLineEdit*>("TxtPassword")->echoMode(), QLineEdit::Password);

        // The embedded database needs only its file.
        choose(d, "本机数据库文件");
        QVERIFY(d.findChild<QLineEdit*>("TxtDatabaseFile")->isVisible());
        for (const char* name : {"TxtServerName", "TxtDatabaseName", "TxtUser", "TxtPassword"})
            QVERIFY2(!d.findChild<QWidget*>(name)->isVisible(), name);
        // A path too long for its record is refused with the file's message, as server fields are.
        d.findChild<QLineEdit*>("TxtDatabaseFile")->setText("/" + QString(120, 'p') + "/hospital.db");
        d.findChild<QPushButton*>("ButRec")->click();
        QCOMPARE(m_messages->texts().size(), 1);
        QCOMPARE(m_messages->last().title, QStringLiteral("读连接字符串时出错"));
        QCOMPARE(d.state(), QString());
        d.findChild<QLineEdit*>("TxtDatabaseFile")->setText("/data/hospital.db");
        d.findChild<QPushButton*>("ButRec")->click();
        QCOMPARE(d.state(), QStringLiteral("Start"));
        QCOMPARE(ReadConnectionString(), QStringLiteral("Provider=SQLite;Data Source=/data/hospital.db;"));
    }
    {
        // The file's engine comes back with the dialog; another engine takes the server's fields.
        LinkDatabaseErr d;
        QCOMPARE(d.findChild<QComboBox*>("CboEngine")->currentText(), QStringLiteral("本机数据库文件"));
        QCOMPARE(d.findChild<QLineEdit*>("TxtDatabaseFile")->text(), QStringLiteral("/data/hospital.db"));
        choose(d, "PostgreSQL");
        d.findChild<QComboBox*>("TxtServerName")->setEditText("db.local:5433");
        d.findChild<QLineEdit*>("TxtDatabaseName")->setText("yj");
        d.findChild<QLineEdit*>("TxtUser")->setText("u");
        d.findChild<QLineEdit*>("TxtPassword")->setText("p");
        d.findChild<QPushButton*>("ButRec")->click();
        QCOMPARE(d.state(), QStringLiteral("Start"));
    }
    QCOMPARE(ReadConnectionString(),
             QStringLiteral(
                 "Provider=PostgreSQL;Data Source=db.local:5433;Initial Catalog=yj;User ID=u;Password=p;"));
    QCOMPARE(m_messages->texts().size(), 1);
    {
        // An ODBC data source is named in the server's place; empty fields are left to it.
        LinkDatabaseErr d;
        d.show();
        choose(d, "ODBC 数据源");
        QCOMPARE(d.findChild<QLabel*>("Label1")->text(), QStringLiteral("数据源名："));
        d.findChild<QComboBox*>("TxtServerName")->setEditText("his");
        d.findChild<QLineEdit*>("TxtDatabaseName")->clear();
        d.findChild<QLineEdit*>("TxtPassword")->clear();
        d.findChild<QPushButton*>("ButRec")->click();
        QCOMPARE(d.state(), QStringLiteral("Start"));
    }
    QCOMPARE(ReadConnectionString(), QStringLiteral("DSN=his;UID=u;"));
    LinkDatabaseErr d;
    QCOMPARE(d.findChild<QComboBox*>("CboEngine")->currentText(), QStringLiteral("ODBC 数据源"));
    QCOMPARE(d.findChild<QComboBox*>("TxtServerName")->currentText(), QStringLiteral("his"));
}

void LoginWindowTest::settingsDialogClosingEndsProgram() {
    {
        LinkDatabaseErr d;
        d.show();
        d.findChild<QPushButton*>("ButExit")->click();
        QCOMPARE(m_processExits.size(), 1);
        QVERIFY(!d.isVisible());
    }
    {
        LinkDatabaseErr d;
        d.show();
        d.close();
        QCOMPARE(m_processExits.size(), 2);
    }
    {
        LinkDatabaseErr d;
        d.show();
        QTest::keyClick(&d, Qt::Key_Escape);
        QCOMPARE(m_processExits.size(), 3);
    }
    {
        // After a retry the dialog closes without ending anything.
        LinkDatabaseErr d;
        d.show();
        d.findChild<QPushButton*>("ButRec")->click();
        d.close();
        QCOMPARE(m_processExits.size(), 3);
    }
}

void LoginWindowTest::connectionErrorDialogsDoNotStack() {
    QPointer<LinkDatabaseErr> first;
    int stacked = 0;
    bool nestedReturned = false;
    // Ends any second dialog, so that the fault shows as a count and not as a hang.
    QTimer second;
    second.setInterval(10);
    connect(&second, &QTimer::timeout, this, [&] {
        auto* d = qobject_cast<LinkDatabaseErr*>(QApplication::activeModalWidget());
        if (d && d != first && d->isVisible()) {
            ++stacked;
            d->findChild<QPushButton*>("ButExit")->click();
        }
    });
    whenModal<LinkDatabaseErr>([&](LinkDatabaseErr* d) {
        first = d;
        second.start();
        // What a timer's statement does while the dialog waits for the operator.
        Startup::ShowConnectionError("第二次");
        nestedReturned = true;
        d->findChild<QPushButton*>("ButExit")->click();
    });
    Startup::ShowConnectionError("第一次");
    second.stop();
    QVERIFY(nestedReturned);
    QCOMPARE(stacked, 0);
    QCOMPARE(m_processExits, QList<int>({0}));

    // Once the dialog is gone the next failure shows it again.
    whenModal<LinkDatabaseErr>([](LinkDatabaseErr* d) { d->findChild<QPushButton*>("ButExit")->click(); });
    Startup::ShowConnectionError("第三次");
    QCOMPARE(m_processExits, QList<int>({0, 0}));
}

void LoginWindowTest::skinStyleSheet() {
    const QByteArray css = "QWidget { background: #c5ddff; }";
    m_folder->writeBytes("SKIN/blue.qss", css);
    m_folder->writeBytes("Sys.ini", "[Skin]\r\nSkinName=blue.qss\r\nUseSkin=1\r\n");
    qApp->setStyleSheet(QString());
    Startup::PrepareStartup();
    QCOMPARE(qApp->styleSheet(), QString::fromLatin1(css));

    qApp->setStyleSheet(QString());
    m_folder->writeBytes("Sys.ini", "[Skin]\r\nSkinName=blue.qss\r\nUseSkin=2\r\n");
    Startup::PrepareStartup();
    QCOMPARE(qApp->styleSheet(), QString());

    // A skin named but missing is no skin and no message.
    m_folder->writeBytes("Sys.ini", "[Skin]\r\nSkinName=gone.qss\r\nUseSkin=1\r\n");
    Startup::PrepareStartup();
    QCOMPARE(qApp->styleSheet(), QString());
    QCOMPARE(m_messages->count(), 0);
}

void LoginWindowTest::mainNormalStart() {
    writeSettings(dbString());
    gConnStr.clear();
    Startup::Main();
    QCOMPARE(gConnStr, dbString());
    QVERIFY(gConn->isOpen());
    QCOMPARE(gHospitalName, DemoDatabase::hospitalName());
    QVERIFY(Startup::loginWindow());
    QVERIFY(Startup::loginWindow()->isVisible());
    QCOMPARE(m_messages->count(), 0);
    clsRegistry reg;
    QCOMPARE(reg.GetRegistryValue(HKEY_CURRENT_USER, "Control Panel\\International", "sShortDate").toString(),
             QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(
        reg.GetRegistryValue(HKEY_CURRENT_USER, "Control Panel\\International", "sTimeFormat").toString(),
        QStringLiteral("HH:mm:ss"));
}

void LoginWindowTest::mainWithoutSettingsShowsDialog() {
    QString shown;
    whenModal<LinkDatabaseErr>([&shown](LinkDatabaseErr* d) {
        shown = d->findChild<QPlainTextEdit*>("ErrInfoShow")->toPlainText();
        d->findChild<QPushButton*>("ButExit")->click();
    });
    Startup::Main(); // no DatabaseSet.data: it is created empty
    QVERIFY(!shown.isEmpty());
    QCOMPARE(m_processExits, QList<int>({0}));
    QVERIFY(!Startup::loginWindow());
    QVERIFY(QFile::exists(programFile("DatabaseSet.data")));
}

void LoginWindowTest::mainRetryRunsAgain() {
    // A record too long for its length field: a clear message, then the dialog.
    m_folder->writeBytes("YJ/DatabaseSet.data", QByteArray(128, '\x7f'));
    int dialogs = 0;
    QPointer<LinkDatabaseErr> first;
    whenModal<LinkDatabaseErr>([&](LinkDatabaseErr* d) {
        ++dialogs;
        first = d;
        // The second run reads the settings this dialog saved, fails again and shows a
        // second dialog.
        whenModal<LinkDatabaseErr>(
            [&](LinkDatabaseErr* second) {
                ++dialogs;
                second->findChild<QPushButton*>("ButExit")->click();
            },
            d);
        d->findChild<QComboBox*>("TxtServerName")->setEditText("");
        d->findChild<QPushButton*>("ButRec")->click();
    });
    Startup::Main();
    QCOMPARE(m_messages->count() >= 1, true);
    QCOMPARE(m_messages->shown().first().title, QStringLiteral("读取连接字符串时出错"));
    QVERIFY(m_messages->shown().first().text.contains("126"));
    QCOMPARE(dialogs, 2);
    QCOMPARE(m_processExits, QList<int>({0}));
    QStringList records;
    QVERIFY(DatabaseSetFile::readRecords(DatabaseSetFile::path(), {1}, &records, nullptr));
    QVERIFY(records.value(0).startsWith("Provider=sqloledb;Data Source=;"));
}

void LoginWindowTest::mainRetriesDoNotPileUp() {
    // Each retry fails again; the dialog of the third run must sit as deep in the call stack as
    // the first one's, or an operator retrying all day would run out of stack. The frame address
    // is taken, not a local's: AddressSanitizer may keep locals on a heap-allocated stack of its own.
    QList<quintptr> depths;
    std::function<void(LinkDatabaseErr*)> answer = [&](LinkDatabaseErr* d) {
        depths << quintptr(__builtin_frame_address(0));
        if (depths.size() < 3) {
            whenModal<LinkDatabaseErr>(answer, d);
            d->findChild<QPushButton*>("ButRec")->click();
        } else {
            d->findChild<QPushButton*>("ButExit")->click();
        }
    };
    whenModal<LinkDatabaseErr>(answer);
    Startup::Main();
    QCOMPARE(depths.size(), 3);
    QCOMPARE(depths[2], depths[0]);
}

void LoginWindowTest::mainHandOffSignsIn() {
    writeSettings("not used");
    Startup::setCommandLine(dbString() + "$admin$" + m_pw + "$ignored$too");
    const QString department = DemoDatabase::departments().value(2);
    QPoint chooserCentre;
    chooseDepartment(department, &chooserCentre);
    Startup::Main();
    QCOMPARE(gConnStr, dbString());
    QCOMPARE(gExecDept, department);
    // No login window was shown: the chooser stands in the middle of the screen.
    const QPoint offCentre = chooserCentre - QApplication::primaryScreen()->availableGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 4,
             qPrintable(QString("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
    QCOMPARE(gUser->GetUserName, QStringLiteral("admin"));
    QCOMPARE(m_mainShown, 1);
    QCOMPARE(gHospitalName, DemoDatabase::hospitalName());
    QVERIFY(!Startup::loginWindow() || !Startup::loginWindow()->isVisible());
    QCOMPARE(m_folder->readBytes("YJ/User.data"), QByteArray("admin\r\n"));
}

void LoginWindowTest::mainHandOffWithWrongPasswordShowsLogin() {
    Startup::setCommandLine(dbString() + "$admin$wrong$");
    Startup::Main();
    QCOMPARE(m_messages->last().text, QStringLiteral("密码错误，请重新输入！"));
    QVERIFY(Startup::loginWindow());
    QVERIFY(Startup::loginWindow()->isVisible());
    QCOMPARE(m_mainShown, 0);
}

void LoginWindowTest::mainHandOffMalformed() {
    QString shown;
    whenModal<LinkDatabaseErr>([&shown](LinkDatabaseErr* d) {
        shown = d->findChild<QPlainTextEdit*>("ErrInfoShow")->toPlainText();
        d->close();
    });
    Startup::setCommandLine(dbString() + "$admin$" + m_pw);
    Startup::Main();
    QVERIFY(shown.contains("$"));
    QCOMPARE(m_processExits, QList<int>({0}));
    QVERIFY(!gUser);
}

QTEST_MAIN(LoginWindowTest)
#include "tst_login_window.moc"
