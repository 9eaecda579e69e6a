// Child windows of the main window: opening once, the tab popup's closing commands,
// the closing question and the end of the program.
#include "db/demo/DemoDatabase.h"
#include "mainfrm_fixture.h"

#include "db/Connection.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTimer>
#include <QtTest>

namespace {

// A window that will not close (for instance one with unsaved input).
class StubbornWindow : public QWidget {
protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

} // namespace

// gConn on a small database of its own, for the tests that close the program.
bool openSmallDatabase(const TestFolder& folder) {
    DemoOptions small;
    small.documents = 0;
    const QString file = folder.file("db.sqlite");
    if (!DemoDatabase::create(file, small, nullptr))
        return false;
    return resetGlobalConnection(QStringLiteral("Provider=SQLite;Data Source=%1;").arg(file)).open();
}

class MainfrmWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { GuardAgainstRealExit(); }

    void init() {
        m_folder = std::make_unique<TestFolder>(); // the main window leaves its place there
        gExecDept = QStringLiteral("检验科");
        mainfrm::setLunarTextProvider([] { return QString(); });
    }
    void cleanup() { m_folder.reset(); }

    void opensMaximisedFirstThenWhereItWasLeft() {
        StandInWindows windows({"Mz_CKFY"});
        FakeMessageService messages;
        ExitRecorder exits;
        {
            mainfrm first;
            first.showPlaced();
            QVERIFY(first.isMaximized());
            first.showNormal();
            first.setGeometry(40, 30, 520, 400);
            QTRY_COMPARE(first.geometry(), QRect(40, 30, 520, 400));
            messages.setNextAnswer(MsgAnswer::Yes);
            QVERIFY(first.close());
        }
        {
            mainfrm again;
            again.showPlaced();
            QVERIFY(!again.isMaximized());
            QCOMPARE(again.geometry(), QRect(40, 30, 520, 400));
            // Left maximised, it opens maximised, and keeps the place it had as a normal window.
            again.showMaximized();
            SetExitAppHook([] {});
            ExitApp();
        }
        mainfrm third;
        third.showPlaced();
        QVERIFY(third.isMaximized());
        third.showNormal();
        QCOMPARE(third.geometry(), QRect(40, 30, 520, 400));
    }

    void loadOpensPendingDocumentsMaximised() {
        StandInWindows windows({"Mz_CKFY"});
        mainfrm m;
        QCOMPARE(childNames(m), QStringList{"Mz_CKFY"});
        QVERIFY(m.activeChild());
        QCOMPARE(m.activeChild()->objectName(), QString("Mz_CKFY"));
        QVERIFY(m.workspace()->currentSubWindow()->isMaximized());
        QCOMPARE(m.workspace()->viewMode(), QMdiArea::TabbedView);
    }

    void secondPendingCommandBringsTheFirstForward() {
        StandInWindows windows({"Mz_CKFY", "Frm_FYCX"});
        mainfrm m;
        m.show();
        QWidget* first = m.activeChild();
        m.onCommand(Cmd::ExecutedQuery);
        QCOMPARE(m.activeChild()->objectName(), QString("Frm_FYCX"));

        m.onCommand(Cmd::PendingDocuments);
        QCOMPARE(windows.created.value("Mz_CKFY"), 1);
        QCOMPARE(childNames(m), (QStringList{"Mz_CKFY", "Frm_FYCX"}));
        QCOMPARE(m.activeChild(), first);
        QVERIFY(m.workspace()->currentSubWindow()->isMaximized());
    }

    void aClosedWindowOpensAnew() {
        StandInWindows windows({"Mz_CKFY"});
        mainfrm m;
        m.show();
        m.onCommand(Cmd::CloseTab);
        QVERIFY(childNames(m).isEmpty());
        m.onCommand(Cmd::PendingDocuments);
        QCOMPARE(windows.created.value("Mz_CKFY"), 2);
        QCOMPARE(childNames(m), QStringList{"Mz_CKFY"});
    }

    void aWindowClosingItselfTakesItsTabAlong() {
        StandInWindows windows({"Mz_CKFY"});
        mainfrm m;
        m.show();
        auto* tabBar = m.workspace()->findChild<QTabBar*>();
        QCOMPARE(tabBar->count(), 1);
        m.activeChild()->close();
        QTRY_COMPARE(tabBar->count(), 0);
        QTRY_VERIFY(m.workspace()->subWindowList().isEmpty());
    }

    void showFormMaxOfAnUnloadedNameDoesNothing() {
        StandInWindows windows({"Mz_CKFY"});
        mainfrm m;
        m.show();
        ShowFormMax(QStringLiteral("Frm_FYCX"));
        QCOMPARE(childNames(m), QStringList{"Mz_CKFY"});
        QCOMPARE(windows.created.value("Frm_FYCX"), 0);
    }

    void closeTabWithoutActiveChildDoesNothing() {
        StandInWindows windows({});
        FakeMessageService messages;
        mainfrm m;
        m.show();
        m.onCommand(Cmd::CloseTab);
        m.onCommand(Cmd::CloseOtherTabs);
        QVERIFY(m.isVisible());
        QCOMPARE(messages.count(), 0);
    }

    void closeOthersKeepsOnlyTheMatchingInstance() {
        StandInWindows windows({"Mz_CKFY"});
        mainfrm m;
        m.show();
        addForeignChild(m, "Frm_FYCX", "已执行单据查询");
        addForeignChild(m, "Mz_CKFY", "待执行单据（二）");
        addForeignChild(m, "Main_Task", "任务");
        // The second instance is the active one.
        const QList<QMdiSubWindow*> subs = m.workspace()->subWindowList(QMdiArea::CreationOrder);
        m.workspace()->setActiveSubWindow(subs.at(2));
        QCOMPARE(m.activeChild()->windowTitle(), QString("待执行单据（二）"));

        m.onCommand(Cmd::CloseOtherTabs);
        QCOMPARE(childCaptions(m), (QStringList{"待执行单据（二）", "任务"}));
        QVERIFY(m.isVisible());
    }

    void closeAllKeepsMainWindowAndMainTask() {
        StandInWindows windows({"Mz_CKFY"});
        mainfrm m;
        m.show();
        addForeignChild(m, "Main_Task", "任务");
        addForeignChild(m, "Frm_FYCX", "已执行单据查询");
        addForeignChild(m, "Mz_CKFY", "待执行单据（二）");
        m.CloseForms({}, {}, {});
        QCOMPARE(childNames(m), QStringList{"Main_Task"});
        QVERIFY(m.isVisible());
    }

    void closeAllWalksPastAWindowThatRefuses() {
        StandInWindows windows({"Mz_CKFY"});
        mainfrm m;
        m.show();
        auto* stubborn = new StubbornWindow;
        stubborn->setObjectName("Frm_CKTY");
        m.workspace()->addSubWindow(stubborn)->show();
        addForeignChild(m, "Frm_FYCX", "已执行单据查询");

        m.onCommand(Cmd::CloseAllTabs); // must return although one window stays
        QCOMPARE(childNames(m), QStringList{"Frm_CKTY"});
    }

    void tabRightClickShowsThePopupAndRunsItsChoice() {
        StandInWindows windows({"Mz_CKFY", "Frm_FYCX"});
        mainfrm m;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        m.onCommand(Cmd::ExecutedQuery);
        auto* tabBar = m.workspace()->findChild<QTabBar*>();
        QCOMPARE(tabBar->count(), 2);

        QStringList captions;
        QTimer::singleShot(0, this, [&captions] {
            auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(popup);
            QAction* chosen = nullptr;
            for (QAction* a : popup->actions()) {
                captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
                if (a->data().toInt() == Cmd::CloseOtherTabs)
                    chosen = a;
            }
            QVERIFY(chosen);
            popup->setActiveAction(chosen);
            QTest::keyClick(popup, Qt::Key_Return);
        });
        // Right click on the first tab: it becomes the active one, the others close.
        const QPoint onFirst = tabBar->tabRect(0).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, onFirst, tabBar->mapToGlobal(onFirst));
        QApplication::sendEvent(tabBar, &click);

        QTRY_COMPARE(childNames(m), QStringList{"Mz_CKFY"});
        QCOMPARE(captions, (QStringList{"关闭(&C)", "全部关闭(&A)", "关闭其它所有窗口(&O)", "-",
                                        "&Workspace Actions"}));
    }

    void rightClickBesideTheTabsDoesNothing() {
        StandInWindows windows({"Mz_CKFY"});
        mainfrm m;
        m.show();
        m.Workspace_RClick(-1);
        m.Workspace_RClick(5);
        QCOMPARE(QApplication::activePopupWidget(), nullptr);
        QCOMPARE(childNames(m), QStringList{"Mz_CKFY"});
    }

    void arrangeCommandsLayTheWindowsOut() {
        StandInWindows windows({"Mz_CKFY", "Frm_FYCX"});
        mainfrm m;
        m.resize(900, 700);
        m.show();
        m.onCommand(Cmd::ExecutedQuery);
        const QList<QMdiSubWindow*> subs = m.workspace()->subWindowList(QMdiArea::CreationOrder);
        const QSize area = m.workspace()->viewport()->size();

        m.onCommand(Cmd::TileHorizontal); // one above the other, full width
        QCOMPARE(subs.at(0)->geometry(), QRect(0, 0, area.width(), area.height() / 2));
        QCOMPARE(subs.at(1)->geometry(), QRect(0, area.height() / 2, area.width(), area.height() / 2));

        m.onCommand(Cmd::TileVertical); // side by side, full height
        QCOMPARE(subs.at(0)->geometry().height(), area.height());
        QCOMPARE(subs.at(0)->geometry().width(), area.width() / 2);
        QCOMPARE(subs.at(0)->geometry().left() + subs.at(1)->geometry().left(), area.width() / 2);

        m.onCommand(Cmd::Cascade);
        QVERIFY(subs.at(0)->geometry().topLeft() != subs.at(1)->geometry().topLeft());
        QVERIFY(!subs.at(0)->isMaximized());

        // Giving a window's command again brings it back maximised.
        m.onCommand(Cmd::PendingDocuments);
        QVERIFY(subs.at(0)->isMaximized());
        QCOMPARE(m.activeChild()->objectName(), QString("Mz_CKFY"));
    }

    void windowListShowsTheOpenWindowsAndSwitches() {
        StandInWindows windows({"Mz_CKFY", "Frm_FYCX"});
        windows.add("Frm_FYCX", "已执行单据查询");
        windows.add("Mz_CKFY", "待执行单据管理");
        mainfrm m;
        m.show();
        m.onCommand(Cmd::ExecutedQuery);
        QMenu* list = nullptr;
        for (QAction* top : m.menuBar()->actions()) {
            for (QAction* item : top->menu()->actions()) {
                if (item->data().toInt() == Cmd::WindowList)
                    list = item->menu();
            }
        }
        QVERIFY(list);
        emit list->aboutToShow();
        const QList<QAction*> entries = list->actions();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0)->text(), QString("待执行单据管理"));
        QCOMPARE(entries.at(1)->text(), QString("已执行单据查询"));
        QVERIFY(!entries.at(0)->isChecked());
        QVERIFY(entries.at(1)->isChecked());
        entries.at(0)->trigger();
        QCOMPARE(m.activeChild()->objectName(), QString("Mz_CKFY"));
    }

    void noToTheClosingQuestionKeepsEverything() {
        TestFolder& folder = *m_folder;
        StandInWindows windows({"Mz_CKFY"});
        FakeMessageService messages;
        ExitRecorder exits;
        QVERIFY(openSmallDatabase(folder));

        mainfrm m;
        m.show();
        messages.setNextAnswer(MsgAnswer::No);
        m.onCommand(Cmd::ExitSystem);

        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().title, QString("提示"));
        QCOMPARE(messages.last().text, QString("你真的要退出系统吗？"));
        QCOMPARE(messages.last().icon, MsgIcon::Question);
        QCOMPARE(messages.last().buttons, MsgButtons::YesNo);
        QVERIFY(m.isVisible());
        QCOMPARE(childNames(m), QStringList{"Mz_CKFY"});
        QVERIFY(gConn->isOpen());
        QCOMPARE(exits.calls, 0);
    }

    void yesEndsTheProgramThroughExitApp() {
        TestFolder& folder = *m_folder;
        StandInWindows windows({"Mz_CKFY"});
        FakeMessageService messages;
        ExitRecorder exits;
        QVERIFY(openSmallDatabase(folder));

        mainfrm m;
        m.show();
        QWidget other;
        other.setObjectName("Frm_Other");
        other.show();
        messages.setNextAnswer(MsgAnswer::Yes);
        QVERIFY(m.close()); // the window's own close box takes the same road

        QCOMPARE(messages.count(), 1); // asked once, not again while ExitApp closes it
        QCOMPARE(exits.calls, 1);
        QVERIFY(!gConn->isOpen());
        QVERIFY(!m.isVisible());
        QVERIFY(!other.isVisible());
        QVERIFY(childNames(m).isEmpty());
    }

    void exitAppFromElsewhereClosesWithoutAsking() {
        // The login window's exit and its attempt limit end the program while the main
        // window is open (switch user): no closing question then.
        StandInWindows windows({"Mz_CKFY"});
        FakeMessageService messages;
        ExitRecorder exits;
        mainfrm m;
        m.show();
        messages.setNextAnswer(MsgAnswer::No);
        ExitApp();
        QCOMPARE(messages.count(), 0);
        QCOMPARE(exits.calls, 1);
        QVERIFY(!m.isVisible());
        QVERIFY(childNames(m).isEmpty());
    }

private:
    std::unique_ptr<TestFolder> m_folder;
};

QTEST_MAIN(MainfrmWindowsTest)
#include "mainfrm_windows.moc"
