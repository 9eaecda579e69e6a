// The sign-in check against a demo hospital database: user list, exact names, the password
// statement, the module right, the attempt limit, the server clock and the unit name.
#include "app/core/LoginCheck.h"
#include "app/core/UnitName.h"
#include "common/core/AnsiCodec.h"
#include "common/core/Clock.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/StatementHelpers.h"
#include "db/demo/DemoDatabase.h"
#include "support/FakeMessageService.h"
#include "support/TestEngine.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

class SignInTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void userListInDatabaseOrder();
    void userNameLetterCase();
    void signsInAndFillsCurrentUser();
    void wildcardsDoNotSignIn_data();
    void wildcardsDoNotSignIn();
    void quotesInNameOrPassword();
    void statementTexts();
    void threeWrongPasswordsEndTheAttempts();
    void moduleRightValues_data();
    void moduleRightValues();
    void userWithoutRight();
    void preferencesFromUserRow();
    void serverClock();
    void failedSignInIsLoggedAndTheLogRightIsRead();
    void unitName();
    void unitNameUnreadable_data();
    void unitNameUnreadable();

private:
    bool exec(const QString& sql);
    QTemporaryDir m_master;
    QString m_masterFile;
    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<ServerTestDatabase> m_server; // on the PostgreSQL test server instead of a copy
    std::unique_ptr<FakeMessageService> m_messages;
    QString m_pw;
};

bool SignInTest::exec(const QString& sql) {
    AppError error;
    const bool ok = gConn->execute(sql, &error) != nullptr;
    if (!ok)
        qWarning() << sql << error.description;
    return ok;
}

void SignInTest::initTestCase() {
    m_masterFile = m_master.filePath("hospital.db");
    DemoOptions options;
    options.documents = 0;
    AppError error;
    if (!TestEngine::onPostgres())
        QVERIFY2(DemoDatabase::create(m_masterFile, options, &error), qPrintable(error.description));
    m_pw = DemoDatabase::defaultPassword();
}

void SignInTest::init() {
    m_folder = std::make_unique<TestFolder>();
    m_messages = std::make_unique<FakeMessageService>();
    if (TestEngine::onPostgres()) {
        DemoOptions options;
        options.documents = 0;
        m_server = std::make_unique<ServerTestDatabase>(options);
        QVERIFY2(m_server->isReady(), qPrintable(m_server->error()));
        gConnStr = m_server->connectionString();
    } else {
        QVERIFY(QFile::copy(m_masterFile, m_folder->file("hospital.db")));
        gConnStr = "Provider=SQLite;Data Source=" + m_folder->file("hospital.db") + ";";
    }
    resetGlobalConnection(gConnStr);
    QVERIFY(gConn->open());
    delete gUser;
    gUser = nullptr;
    gIme = 0;
    gSearchType.clear();
    gHospitalName.clear();
    Clock::setServerOffsetMs(0);
}

void SignInTest::cleanup() {
    gConn->close();
    m_server.reset();
    m_messages.reset();
    m_folder.reset();
}

void SignInTest::userListInDatabaseOrder() {
    QStringList users;
    AppError error;
    QVERIFY(LoadUserNames(&users, &error));
    QCOMPARE(users, QStringList({"管理员", "张护士", "李检验", "王影像", "赵医生", "admin", "钱收费"}));
    // A closed connection is opened first.
    gConn->close();
    QVERIFY(LoadUserNames(&users, &error));
    QCOMPARE(users.size(), 7);
}

void SignInTest::userNameLetterCase() {
    LoginCheck check;
    QStringList users;
    QVERIFY(LoadUserNames(&users, nullptr));
    check.setUsers(users);
    // The database would match "ADMIN"; the list does not.
    QCOMPARE(check.check("ADMIN", m_pw, nullptr, nullptr), LoginCheck::Outcome::UnknownUser);
    QCOMPARE(check.check("admin ", m_pw, nullptr, nullptr), LoginCheck::Outcome::UnknownUser);
    QCOMPARE(check.failures(), 0); // an unknown name is no wrong password
    QVERIFY(!gUser);
}

void SignInTest::signsInAndFillsCurrentUser() {
    LoginCheck check;
    check.setUsers({"管理员", "admin", "李检验"});
    RecordsetPtr row;
    AppError error;
    QCOMPARE(check.check("管理员", m_pw, &row, &error), LoginCheck::Outcome::SignedIn);
    QCOMPARE(m_messages->count(), 0);
    QVERIFY(gUser);
    QCOMPARE(gUser->GetUserName, QStringLiteral("管理员"));
    QCOMPARE(gUser->GetGroup, QStringLiteral("系统管理员"));
    QCOMPARE(gUser->UserPassword, m_pw);
    QCOMPARE(gUser->SZSQ, QStringLiteral("01"));
    QVERIFY(row && row->RecordCount() == 1);
    QCOMPARE(row->text("username"), QStringLiteral("管理员"));

    // The same record is reused; a user without a Yf_sq row has no SZSQ.
    User_qx* first = gUser;
    QCOMPARE(check.check("李检验", m_pw, &row, &error), LoginCheck::Outcome::SignedIn);
    QCOMPARE(gUser, first);
    QCOMPARE(gUser->GetUserName, QStringLiteral("李检验"));
    QCOMPARE(gUser->GetGroup, QStringLiteral("医技科室"));
    QCOMPARE(gUser->SZSQ, QString());
}

// A wrong password leaves its row without the password; the log's own right is read at sign-in.
void SignInTest::failedSignInIsLoggedAndTheLogRightIsRead() {
    LoginCheck check;
    check.setUsers({"管理员", "李检验"});
    QCOMPARE(check.check("李检验", "secret9", nullptr, nullptr), LoginCheck::Outcome::WrongPassword);
    RecordsetPtr rs = gConn->execute("select CZY, XQ from YJGL_LOG where CZ='登录失败'");
    QVERIFY(rs && rs->RecordCount() == 1);
    QCOMPARE(rs->text("CZY"), QStringLiteral("李检验"));
    QVERIFY(!rs->text("XQ").contains("secret9"));
    QCOMPARE(check.check("管理员", m_pw, nullptr, nullptr), LoginCheck::Outcome::SignedIn);
    QVERIFY(gUser->YJXT_LOG);
    QCOMPARE(check.check("李检验", m_pw, nullptr, nullptr), LoginCheck::Outcome::SignedIn);
    QVERIFY(!gUser->YJXT_LOG);
}

void SignInTest::wildcardsDoNotSignIn_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("percent") << "%";
    QTest::newRow("underscore") << QString(m_pw.size(), '_');
    QTest::newRow("character class") << "[a-z]%";
    QTest::newRow("percent after quotes") << "'%'";
    QTest::newRow("injection") << "' or '1'='1";
    QTest::newRow("empty") << "";
}

void SignInTest::wildcardsDoNotSignIn() {
    QFETCH(QString, typed);
    LoginCheck check;
    check.setUsers({"admin"});
    QCOMPARE(check.check("admin", typed, nullptr, nullptr), LoginCheck::Outcome::WrongPassword);
    QVERIFY(!gUser);
}

void SignInTest::quotesInNameOrPassword() {
    QVERIFY(
        exec("insert into userdb (username, password, group_name) values ('O''Neil', 'abc', '医技科室')"));
    QVERIFY(exec("insert into Yf_sq (username, SQBH) values ('O''Neil', '07')"));
    LoginCheck check;
    QStringList users;
    QVERIFY(LoadUserNames(&users, nullptr));
    check.setUsers(users);
    // Quotes typed into the password are dropped before the check.
    AppError error;
    QCOMPARE(check.check("O'Neil", "a'b'c'", nullptr, &error), LoginCheck::Outcome::SignedIn);
    QCOMPARE(gUser->GetUserName, QStringLiteral("O'Neil"));
    QCOMPARE(gUser->UserPassword, QStringLiteral("abc"));
    QCOMPARE(gUser->SZSQ, QStringLiteral("07"));
    QCOMPARE(m_messages->count(), 0);
    QCOMPARE(check.check("O'Neil", "abd", nullptr, &error), LoginCheck::Outcome::WrongPassword);
    // A name that tries to end the statement is just an unknown name.
    QCOMPARE(check.check("admin' --", "x", nullptr, &error), LoginCheck::Outcome::UnknownUser);
}

void SignInTest::statementTexts() {
    QCOMPARE(LoginStatements::userList(), QStringLiteral("select * from userdb "));
    QCOMPARE(LoginStatements::password("张三", "123"),
             QStringLiteral("select * from userdb where username = '张三' and password = '123'"));
    QCOMPARE(LoginStatements::password("a'b", "c"),
             QStringLiteral("select * from userdb where username = 'a''b' and password = 'c'"));
    QCOMPARE(LoginStatements::szsq("张三"),
             QStringLiteral("select SQBH from Yf_sq where username like'张三'"));
    QCOMPARE(LoginStatements::moduleRight("医技科室"),
             QStringLiteral("Select QX From QX_Temp2 Where MoudelKey='YJXT_IN' and Groupname='医技科室'"));
    QCOMPARE(LoginStatements::serverTime(), QStringLiteral("SELECT top 1 GETDATE() FROM sysobjects"));
    QCOMPARE(RemoveQuotes("'a''b'"), QStringLiteral("ab"));
}

void SignInTest::threeWrongPasswordsEndTheAttempts() {
    LoginCheck check;
    check.setUsers({"admin"});
    QCOMPARE(check.check("admin", "x1", nullptr, nullptr), LoginCheck::Outcome::WrongPassword);
    QCOMPARE(check.check("nobody", "x", nullptr, nullptr), LoginCheck::Outcome::UnknownUser);
    QCOMPARE(check.check("admin", "x2", nullptr, nullptr), LoginCheck::Outcome::WrongPassword);
    QCOMPARE(check.failures(), 2);
    QCOMPARE(check.check("admin", "x3", nullptr, nullptr), LoginCheck::Outcome::TooManyFailures);

    // A new login window (a switch of user) counts from 0 again.
    LoginCheck next;
    next.setUsers({"admin"});
    QCOMPARE(next.check("admin", "x", nullptr, nullptr), LoginCheck::Outcome::WrongPassword);
    QCOMPARE(next.check("admin", "x", nullptr, nullptr), LoginCheck::Outcome::WrongPassword);
    QCOMPARE(next.check("admin", m_pw, nullptr, nullptr), LoginCheck::Outcome::SignedIn);
}

void SignInTest::moduleRightValues_data() {
    QTest::addColumn<QString>("qx");
    QTest::addColumn<bool>("granted");
    QTest::newRow("1") << "1" << true;
    QTest::newRow("true as -1") << "-1" << true;
    QTest::newRow("text true") << "'True'" << true;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("text false") << "'false'" << false;
    QTest::newRow("empty") << "''" << false;
    QTest::newRow("2") << "2" << false;
    QTest::newRow("no row") << QString() << false;
}

void SignInTest::moduleRightValues() {
    QFETCH(QString, qx);
    QFETCH(bool, granted);
    if (TestEngine::onPostgres() && qx.startsWith(u'\''))
        QSKIP("the server's smallint column stores no text");
    if (!qx.isNull())
        QVERIFY(
            exec("insert into QX_Temp2 (Groupname, MoudelKey, QX) values ('测试组', 'YJXT_IN', " + qx + ")"));
    // A right for another module does not count.
    QVERIFY(exec("insert into QX_Temp2 (Groupname, MoudelKey, QX) values ('测试组', 'MZSF_IN', 1)"));
    currentUser().GetGroup = "测试组";
    QCOMPARE(HasModuleRight(), granted);
    QCOMPARE(m_messages->count(), 0);
}

void SignInTest::userWithoutRight() {
    QVERIFY(GrantsModuleRight(true));
    QVERIFY(!GrantsModuleRight(false));
    QVERIFY(!GrantsModuleRight(QVariant()));
    QVERIFY(GrantsModuleRight(1.0));

    const QString user = DemoDatabase::userWithoutRight();
    LoginCheck check;
    check.setUsers({user});
    AppError error;
    QCOMPARE(check.check(user, m_pw, nullptr, &error), LoginCheck::Outcome::NoModuleRight);
    QVERIFY(!error.isSet());

    // A failing query refuses too, and says why.
    QVERIFY(exec("drop table QX_Temp2"));
    currentUser().GetGroup = "系统管理员";
    QVERIFY(!HasModuleRight(&error));
    QVERIFY(error.description.contains("QX_Temp2", Qt::CaseInsensitive));
    // The login window shows the messages; the check itself shows none.
    QCOMPARE(m_messages->count(), 0);
}

void SignInTest::preferencesFromUserRow() {
    QVERIFY(exec("update userdb set IME = '3', SearchType = '五笔码' where username = 'admin'"));
    LoginCheck check;
    check.setUsers({"admin", "管理员"});
    RecordsetPtr row;
    QCOMPARE(check.check("admin", m_pw, &row, nullptr), LoginCheck::Outcome::SignedIn);
    ApplyUserPreferences(*row);
    QCOMPARE(gIme, 3);
    QCOMPARE(gSearchType, QStringLiteral("五笔码"));
    // The column is text; a keyboard layout number with a leading blank reads whole.
    QVERIFY(exec("update userdb set IME = ' 134481924' where username = '管理员'"));
    QCOMPARE(check.check("管理员", m_pw, &row, nullptr), LoginCheck::Outcome::SignedIn);
    ApplyUserPreferences(*row);
    QCOMPARE(gIme, 134481924);
    QCOMPARE(gSearchType, QStringLiteral("拼音码"));

    // An input-method handle has its high bit set; written unsigned it is the same handle.
    QVERIFY(exec("update userdb set IME = '3760195588' where username = '管理员'"));
    QCOMPARE(check.check("管理员", m_pw, &row, nullptr), LoginCheck::Outcome::SignedIn);
    ApplyUserPreferences(*row);
    QCOMPARE(gIme, qint32(0xE0200804));
    QVERIFY(exec("update userdb set IME = '-534771708' where username = '管理员'"));
    QCOMPARE(check.check("管理员", m_pw, &row, nullptr), LoginCheck::Outcome::SignedIn);
    ApplyUserPreferences(*row);
    QCOMPARE(gIme, qint32(0xE0200804));
    // Numbers that cannot be a 32-bit handle give none.
    QCOMPARE(ImeHandleFrom(4294967296.0), 0);
    QCOMPARE(ImeHandleFrom(-2147483649.0), 0);
    QCOMPARE(ImeHandleFrom(1e300), 0);
    QCOMPARE(ImeHandleFrom(std::numeric_limits<double>::quiet_NaN()), 0);
    QCOMPARE(ImeHandleFrom(-2147483648.0), std::numeric_limits<qint32>::min());
}

void SignInTest::serverClock() {
    Clock::setServerOffsetMs(123456789);
    AppError error;
    QVERIFY2(FollowServerClock(&error), qPrintable(error.description));
    // The embedded database runs on this computer: the offset is tiny.
    QVERIFY2(qAbs(Clock::serverOffsetMs()) < 5000, qPrintable(QString::number(Clock::serverOffsetMs())));

    // Without the table the time cannot be read: the offset stays, the error comes back.
    Clock::setServerOffsetMs(42);
    QVERIFY(exec("drop table sysobjects"));
    QVERIFY(!FollowServerClock(&error));
    QVERIFY(error.isSet());
    QCOMPARE(Clock::serverOffsetMs(), 42);
}

void SignInTest::unitName() {
    ReadUnitName();
    QCOMPARE(gHospitalName, DemoDatabase::hospitalName());
    QVERIFY(!gHospitalName.isEmpty());
    QCOMPARE(m_messages->count(), 0);
}

void SignInTest::unitNameUnreadable_data() {
    QTest::addColumn<QString>("change");
    QTest::newRow("no table") << "drop table HosPitalInfo";
    QTest::newRow("no row") << "delete from HosPitalInfo";
    QTest::newRow("null value") << "update HosPitalInfo set DWMC = null";
    QTest::newRow("not hexadecimal") << "update HosPitalInfo set DWMC = '人民医院'";
    QTest::newRow("not whole blocks") << "update HosPitalInfo set DWMC = '0123456789ABCDEF'";
}

void SignInTest::unitNameUnreadable() {
    QFETCH(QString, change);
    QVERIFY(exec(change));
    gHospitalName = "stale";
    ReadUnitName();
    QCOMPARE(gHospitalName, QString());
    QCOMPARE(m_messages->count(), 0); // start-up goes on without a box
    QVERIFY(gConn->isOpen());
}

QTEST_GUILESS_MAIN(SignInTest)
#include "tst_signin.moc"
