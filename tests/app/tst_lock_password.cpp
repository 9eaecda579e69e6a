// The lock screen and the password change, driven offscreen on a small demo database (the
// embedded one, or one on the PostgreSQL test server).
#include "app/ChangPassword.h"
#include "app/LockApp.h"
#include "common/StatementMessages.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/demo/DemoDatabase.h"
#include "support/FakeMessageService.h"
#include "support/TestEngine.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

class LockPasswordTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        DemoOptions options;
        options.documents = 0;
        AppError error;
        const QString connection =
            TestEngine::createDemo(m_folder.file("hospital.db"), options, &m_server, &error);
        QVERIFY2(!connection.isEmpty(), qPrintable(error.description));
        resetGlobalConnection(connection);
        QVERIFY(gConn->open());
        RecordsetPtr rs;
        QVERIFY(OpenRs(rs, QStringLiteral("select username from userdb")));
        m_user = rs->text(QStringLiteral("username"));
    }

    void init() {
        m_messages = std::make_unique<FakeMessageService>();
        currentUser().GetUserName = m_user;
        currentUser().UserPassword = DemoDatabase::defaultPassword();
    }

    void cleanup() { m_messages.reset(); }

    void lockShowsTheUserAndOnlyTheRightPasswordUnlocks() {
        LockApp lock;
        lock.show();
        QCOMPARE(lock.findChild<QGroupBox*>("Frame1")->title(),
                 QStringLiteral(" 本程序由“%1”锁定").arg(m_user));
        auto* text = lock.findChild<QLineEdit*>("Text1");
        QTest::keyClicks(text, DemoDatabase::defaultPassword().toUpper() + "x");
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(m_messages->texts(), QStringList{"密码错误!"});
        QCOMPARE(m_messages->last().title, QStringLiteral("提示"));
        QVERIFY(text->text().isEmpty());
        lock.close();
        QTest::keyClick(&lock, Qt::Key_Escape);
        QVERIFY(lock.isVisible());

        text->setText(DemoDatabase::defaultPassword());
        lock.findChild<QPushButton*>("Command1")->click();
        QVERIFY(!lock.isVisible());
        QCOMPARE(lock.result(), int(QDialog::Accepted));
        QCOMPARE(loggedActions(), (QStringList{"锁定", "解锁失败", "解锁"}));
    }

    void emptyPasswordUnlocksOnlyAfterAnEmptySignIn() {
        LockApp lock;
        lock.unlock();
        QCOMPARE(m_messages->count(), 1);
        currentUser().UserPassword.clear();
        LockApp openLock;
        openLock.unlock();
        QCOMPARE(m_messages->count(), 1);
        QCOMPARE(openLock.result(), int(QDialog::Accepted));
    }

    void enterWalksThePasswordBoxesToTheButton() {
        ChangPassword window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(window.windowTitle(), m_user + QStringLiteral("  更改密码"));
        for (const char* name : {"NewPassTxt", "NewPassTxt2", "ComOk"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString(name));
        }
    }

    void refusalsBeforeAndAfterTheQuestion() {
        ChangPassword window;
        type(window, "wrong", "new1", "new2");
        QCOMPARE(m_messages->texts(), QStringList{"两次输入的密码不一至"});

        m_messages->clear();
        type(window, "wrong", "it's", "it's");
        QCOMPARE(m_messages->count(), 1);
        QVERIFY(m_messages->last().text.contains("单引号"));

        m_messages->clear();
        m_messages->setNextAnswer(MsgAnswer::Yes);
        type(window, "wrong", "new1", "new1");
        QCOMPARE(m_messages->texts(), (QStringList{"你真的要更改密码吗？", "旧密码输入错误"}));
        QCOMPARE(m_messages->shown().first().defaultAnswer, MsgAnswer::No);
        QCOMPARE(storedPassword(), DemoDatabase::defaultPassword());
    }

    void changeTakesTheNewPasswordEverywhere() {
        ChangPassword window;
        window.show();
        m_messages->setNextAnswer(MsgAnswer::Yes);
        type(window, DemoDatabase::defaultPassword(), "neu 1", "neu 1");
        QCOMPARE(m_messages->texts(), (QStringList{"你真的要更改密码吗？", "密码更改成功！"}));
        QVERIFY(!window.isVisible());
        QCOMPARE(storedPassword(), QStringLiteral("neu 1"));
        QCOMPARE(gUser->UserPassword, QStringLiteral("neu 1"));
        // The change has its row; the password is in none.
        QCOMPARE(loggedActions().last(), QStringLiteral("更改密码"));
        RecordsetPtr rs;
        QVERIFY(OpenRs(rs, QStringLiteral("select count(*) from YJGL_LOG where XQ like '%neu 1%'")));
        QCOMPARE(rs->value(0).toInt(), 0);

        LockApp lock;
        lock.findChild<QLineEdit*>("Text1")->setText(DemoDatabase::defaultPassword());
        lock.unlock();
        QCOMPARE(lock.result(), int(QDialog::Rejected));
        QVERIFY(ExecSql(QStringLiteral("update userdb set password=%1 where username=%2")
                            .arg(SqlText(DemoDatabase::defaultPassword()), SqlText(m_user))));
    }

    void changeTouchesOnlyTheSignedInUser() {
        // A name with a wildcard must not reach the users it would match as a pattern.
        const QString wildcard = QStringLiteral("张_");
        QVERIFY(ExecSql(QStringLiteral("insert into userdb(username, password) values(%1, %2)")
                            .arg(SqlText(wildcard), SqlText(DemoDatabase::defaultPassword()))));
        QVERIFY(ExecSql(QStringLiteral("insert into userdb(username, password) values('张四', 'other')")));
        currentUser().GetUserName = wildcard;
        ChangPassword window;
        m_messages->setNextAnswer(MsgAnswer::Yes);
        type(window, DemoDatabase::defaultPassword(), "neu", "neu");
        QCOMPARE(m_messages->last().text, QStringLiteral("密码更改成功！"));
        RecordsetPtr rs;
        QVERIFY(OpenRs(rs, QStringLiteral("select password from userdb where username='张四'")));
        QCOMPARE(rs->text(QStringLiteral("password")), QStringLiteral("other"));
        QVERIFY(ExecSql(QStringLiteral("delete from userdb where username in ('张_', '张四')")));
    }

    void failedUpdateIsReportedAndChangesNothing() {
        gConn->close();
        ChangPassword window;
        m_messages->setNextAnswer(MsgAnswer::Yes);
        type(window, DemoDatabase::defaultPassword(), "neu", "neu");
        QVERIFY(m_messages->last().text.startsWith(QStringLiteral("出错信息：")));
        QCOMPARE(m_messages->last().icon, MsgIcon::Critical);
        QCOMPARE(gUser->UserPassword, DemoDatabase::defaultPassword());
        QVERIFY(gConn->open());
    }

private:
    // The actions of the signed-in user's rows, oldest first, forgotten afterwards.
    QStringList loggedActions() {
        RecordsetPtr rs;
        QStringList actions;
        if (OpenRs(rs, QStringLiteral("select CZ from YJGL_LOG where CZY=%1 and XH>%2 order by XH")
                           .arg(SqlText(m_user))
                           .arg(m_seen))) {
            for (const auto& row : rs->rows())
                actions << Recordset::asText(row.value(0));
            RecordsetPtr last;
            if (OpenRs(last, QStringLiteral("select max(XH) from YJGL_LOG")))
                m_seen = last->value(0).toLongLong();
        }
        return actions;
    }
    static void type(ChangPassword& window, const QString& old, const QString& new1, const QString& new2) {
        window.findChild<QLineEdit*>("OldPassTxt")->setText(old);
        window.findChild<QLineEdit*>("NewPassTxt")->setText(new1);
        window.findChild<QLineEdit*>("NewPassTxt2")->setText(new2);
        window.findChild<QPushButton*>("ComOk")->click();
    }

    QString storedPassword() const {
        RecordsetPtr rs;
        OpenRs(rs, QStringLiteral("select password from userdb where username=") + SqlText(m_user));
        return rs && rs->RecordCount() > 0 ? rs->text(QStringLiteral("password")) : QString();
    }

    TestFolder m_folder;
    std::unique_ptr<ServerTestDatabase> m_server;
    std::unique_ptr<FakeMessageService> m_messages;
    QString m_user;
    qint64 m_seen = 0; // the last row loggedActions looked at
};

QTEST_MAIN(LockPasswordTest)
#include "tst_lock_password.moc"
