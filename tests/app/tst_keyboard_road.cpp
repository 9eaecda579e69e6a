// A clerk's day by keyboard alone: sign-in, department, a document executed, queried and
// voided, and the end of the program, with nothing but key events sent to whatever has the
// focus. Also the mnemonics of child windows against those of the menu bar.
#include "HospitalTestBed.h"
#include "app/ChildWindowServices.h"
#include "app/mainfrm.h"
#include "app/password.h"
#include "common/SpreadGrid.h"
#include "common/core/AnsiCodec.h"
#include "common/core/Session.h"
#include "db/demo/DemoDatabase.h"
#include "execution/SelectKS.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

namespace {

const QString kDH = QStringLiteral("2026120700001");

// Where a key goes: an open menu, else the focus, else the active window.
QWidget* keyTarget() {
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    if (QWidget* focus = QApplication::focusWidget())
        return focus;
    return QApplication::activeWindow();
}

void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = keyTarget();
    QVERIFY2(target, "nothing takes keys");
    QTest::keyClick(target, key, modifiers);
}

void type(const QString& text) {
    QTest::keyClicks(keyTarget(), text);
}

// Alt pressed and let go alone takes the keyboard to the menu bar; the letter opens a menu.
void openMenuByAlt(Qt::Key letter) {
    QWidget* target = keyTarget();
    QTest::keyPress(target, Qt::Key_Alt);
    QTest::keyRelease(keyTarget(), Qt::Key_Alt);
    QTest::keyClick(keyTarget(), letter);
}

// Down through the open menu until the item of that caption is active, then Enter.
void chooseInMenu(const QString& caption) {
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    for (int i = 0; i < 20 && !(menu->activeAction() && menu->activeAction()->text() == caption); ++i)
        QTest::keyClick(menu, Qt::Key_Down);
    QVERIFY(menu->activeAction() && menu->activeAction()->text() == caption);
    QTest::keyClick(menu, Qt::Key_Return);
}

mainfrm* runningMain() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<mainfrm*>(w); m && m->isVisible())
            return m;
    return nullptr;
}

QString activeChildName() {
    const mainfrm* m = runningMain();
    return m && m->activeChild() ? m->activeChild()->objectName() : QString();
}

// The list grid of the active child window.
SpreadGrid* activeList() {
    const mainfrm* m = runningMain();
    return m && m->activeChild() ? m->activeChild()->findChild<SpreadGrid*>(QStringLiteral("fpSpread1"))
                                 : nullptr;
}

bool listHasFocus() {
    return activeList() && QApplication::focusWidget() == activeList();
}

} // namespace

class KeyboardRoadTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void dailyRoadByKeysAlone();
    void childMnemonicFiresOnFirstPressMenuElsewhere();

private:
    void signInByKeys();

    std::unique_ptr<HospitalTestBed> m_bed;
    int m_exits = 0;
};

void KeyboardRoadTest::init() {
    m_bed = std::make_unique<HospitalTestBed>();
    QVERIFY2(m_bed->db.isReady(), qPrintable(m_bed->db.error()));
    m_bed->db.addOutpatient(kDH, QStringLiteral("患者甲"), HospitalFixture::at(0, 8),
                            {HospitalFixture::Item{QStringLiteral("JY0003"), 1, 12, 12}});
    // The last user is proposed: the clerk only types the password.
    m_bed->folder.writeBytes("User.data", AnsiCodec::encode(QStringLiteral("李检验")) + "\r\n");
    delete gUser;
    gUser = nullptr;
    gExecDept.clear();
    gReLogin = false;
    m_exits = 0;
    SetExitAppHook([this] { ++m_exits; });
    SelectKS::setExitHandler([] { QFAIL("the department chooser ended the program"); });
    password::setFlow({});
}

void KeyboardRoadTest::cleanup() {
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<mainfrm*>(w) || qobject_cast<password*>(w))
            windows << w;
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
    SetExitAppHook([] { qFatal("ExitApp reached the end of the program"); });
    SelectKS::setExitHandler({});
    m_bed.reset();
}

void KeyboardRoadTest::signInByKeys() {
    auto* login = new password;
    login->show();
    QVERIFY(QTest::qWaitForWindowActive(login));
    press(Qt::Key_Return); // from the proposed user name to the password
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text1"));
    type(DemoDatabase::defaultPassword());

    // The chooser runs modally inside the sign-in: its keys are sent once it is up.
    bool chose = false;
    QTimer::singleShot(0, [&chose] {
        QTRY_VERIFY(qobject_cast<SelectKS*>(QApplication::activeModalWidget()));
        QDialog* chooser = qobject_cast<SelectKS*>(QApplication::activeModalWidget());
        // A failed check must not leave the chooser waiting for ever.
        auto giveUp = qScopeGuard([chooser] { chooser->done(QDialog::Rejected); });
        auto* ks = chooser->findChild<QComboBox*>("KS");
        QTRY_VERIFY(QApplication::focusWidget() == ks);
        for (int i = 0; i < 20 && ks->currentText() != HospitalFixture::dept(); ++i)
            press(Qt::Key_Down);
        giveUp.dismiss();
        press(Qt::Key_Return);
        chose = true;
    });
    press(Qt::Key_Return);
    QVERIFY(chose);
    QCOMPARE(gExecDept, HospitalFixture::dept());
    QTRY_VERIFY(runningMain() && QApplication::activeWindow() == runningMain());
}

void KeyboardRoadTest::dailyRoadByKeysAlone() {
    signInByKeys();

    // The pending list has the focus; Down picks the document, Enter opens it, F2 executes it.
    QCOMPARE(activeChildName(), QStringLiteral("Mz_CKFY"));
    QTRY_VERIFY(listHasFocus());
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    QCOMPARE(runningMain()->activeChild()->findChild<QLineEdit*>("Txt_DH")->text(), kDH);
    press(Qt::Key_F2);
    QCOMPARE(m_bed->messages.texts().last(), QStringLiteral("执行成功。"));
    QCOMPARE(m_bed->db.count("from MZ_YJZX where DH='" + kDH + "' and SFZF=0"), 1);
    QVERIFY(listHasFocus());
    // The database stamps the record with its own clock; the windows list the program's fixed day.
    QVERIFY(m_bed->db.exec("update MZ_YJZX set ZXSJ='" +
                           HospitalFixture::at(0, 9, 30).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) +
                           "' where DH='" + kDH + "'"));

    // Tab leaves a grid for the next control instead of walking its cells.
    press(Qt::Key_Tab);
    QVERIFY(!listHasFocus());
    press(Qt::Key_Backtab);
    QVERIFY(listHasFocus());

    // Alt+S in the window presses its "已执行单据查询(&S)"; there Alt+S starts the query.
    press(Qt::Key_S, Qt::AltModifier);
    QCOMPARE(activeChildName(), QStringLiteral("Frm_FYCX"));
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
    QTRY_VERIFY(runningMain()->activeChild()->isAncestorOf(QApplication::focusWidget()));
    press(Qt::Key_S, Qt::AltModifier);
    QCOMPARE(activeList()->maxRows(), 1);
    QCOMPARE(activeList()->text(1, 2), kDH);

    // The voiding window through the menu: Alt alone, then the menu's letter.
    openMenuByAlt(Qt::Key_S);
    chooseInMenu(QStringLiteral("单据作废"));
    QTRY_COMPARE(activeChildName(), QStringLiteral("Frm_CKTY"));
    QTRY_VERIFY(listHasFocus());
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    QCOMPARE(runningMain()->activeChild()->findChild<QLineEdit*>("Txt_DH")->text(), kDH);
    press(Qt::Key_F2);
    QCOMPARE(m_bed->messages.texts().last(), QStringLiteral("操作成功！"));
    QCOMPARE(m_bed->db.count("from MZ_YJZX where DH='" + kDH + "' and SFZF=1"), 1);
    QVERIFY(listHasFocus());

    // And leave: 退出系统(&Q), answered yes.
    openMenuByAlt(Qt::Key_S);
    chooseInMenu(QStringLiteral("退出系统(&Q)"));
    QCOMPARE(m_bed->messages.texts().last(), QStringLiteral("你真的要退出系统吗？"));
    QCOMPARE(m_exits, 1);
}

void KeyboardRoadTest::childMnemonicFiresOnFirstPressMenuElsewhere() {
    signInByKeys();
    // In the pending-documents window Alt+S presses its own button at once.
    QTRY_VERIFY(runningMain()->activeChild()->isAncestorOf(QApplication::focusWidget()));
    press(Qt::Key_S, Qt::AltModifier);
    QCOMPARE(activeChildName(), QStringLiteral("Frm_FYCX"));
    QCOMPARE(QApplication::activePopupWidget(), nullptr);

    // With the focus outside every child window the menu bar has the letter.
    runningMain()->CloseForms({}, {}, {});
    QCOMPARE(runningMain()->activeChild(), nullptr);
    runningMain()->setFocus();
    press(Qt::Key_S, Qt::AltModifier);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("系统(&S)"));
    menu->close();
}

QTEST_MAIN(KeyboardRoadTest)
#include "tst_keyboard_road.moc"
