// Menus, toolbar, key bindings, enabled and checked states, themes, the calculator and the
// status bar of the main window.
#include "mainfrm_fixture.h"

#include "app/CalculatorLauncher.h"
#include "app/ChildWindowRegistry.h"
#include "app/Themes.h"
#include "app/password.h"
#include "common/CleanControl.h"
#include "common/HelpPages.h"
#include "common/core/Clock.h"
#include "support/FakeMessageService.h"
#include "tools/core/GET_NL.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

// Caption and id of every entry, "-" for a separator, submenus in brackets.
QStringList describe(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions) {
        if (a->isSeparator()) {
            out << QStringLiteral("-");
            continue;
        }
        out << QStringLiteral("%1=%2").arg(a->text()).arg(a->data().toInt());
        if (a->menu())
            out << QStringLiteral("[") + describe(a->menu()->actions()).join(QLatin1Char('|')) +
                       QStringLiteral("]");
    }
    return out;
}

void makeExecutable(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

// The state a command could change, to show that key bindings and library entries change none of it.
struct Snapshot {
    QStringList children;
    int theme;
    bool toolbarShown;
    bool statusShown;
    QString caption;
    QStringList panels;
    bool operator==(const Snapshot&) const = default;
};

// Contrast ratio of two colours as the accessibility guidelines define it (1 to 21).
double contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Snapshot snapshotOf(const mainfrm& m) {
    Snapshot s{childNames(m),
               Themes::current(),
               !m.standardToolbar()->isHidden(),
               !m.statusBar()->isHidden(),
               m.windowTitle(),
               {}};
    for (int i = 1; i <= 5; ++i)
        s.panels << m.panelText(i);
    return s;
}

} // namespace

class MainfrmCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { GuardAgainstRealExit(); }

    void init() {
        gExecDept = QStringLiteral("放射科");
        gHospitalName = QStringLiteral("城东社区卫生服务中心");
        currentUser().GetUserName = QStringLiteral("张三");
        Clock::setFixedNow(QDateTime(QDate(2020, 1, 25), QTime(8, 30, 5)));
        mainfrm::setLunarTextProvider(
            [] { return QStringLiteral("2020-01-25 星期六  庚子年(鼠)正月初一    春节"); });
    }
    void cleanup() { Clock::setFixedNow(QDateTime()); }

    void menuBarAsTheTableGivesIt() {
        StandInWindows windows({});
        mainfrm m;
        const QStringList menus = describe(m.menuBar()->actions());
        const QStringList expected = {
            "系统(&S)=0",
            "[待执行单据=201|单据作废=9109|输入法设置(&I)=9105|切换用户(&C)=9102|更改密码(&P)=9106|"
            "锁定系统(&L)=9103|打印选项=604|-|退出系统(&Q)=9104]",
            "查询(&T)=0",
            "[已执行单据查询=202|作废单据查询=203|操作日志查询=204]",
            "工具(&T)=0",
            "[万年历(&W)=603|计算器(&C)=602]",
            "数据维护(&F)=0",
            "[数据字典(&S)=751]",
            "窗口(&W)=0",
            "[工具条(&T)=1101|皮肤(&O)...=1104|[Office XP=1001|Default=1002|Office 2003=1003|Native XP=1004]|"
            "-|层叠(&C)=801|横向平铺(&H)=802|纵向平铺(&V)=803|排列图标(&A)=804|-|列表=35000|[]]",
            "帮助(&H)=0",
            "[帮助目录=901|帮助主题=902|-|关于我们(&A)...=903]",
        };
        QCOMPARE(menus, expected);
    }

    void toolbarShowsCaptionsUnderIcons() {
        StandInWindows windows({});
        mainfrm m;
        QToolBar* bar = m.standardToolbar();
        QCOMPARE(bar->windowTitle(), QString("标准工具条"));
        QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QCOMPARE(m.toolBarArea(bar), Qt::TopToolBarArea);
        QCOMPARE(describe(bar->actions()),
                 (QStringList{"待执行单据列表=201", "单据作废=9109", "已执行单据查询=202", "作废单据查询=203",
                              "-", "锁定系统=9103", "输入法设置=9105", "-", "退出系统=9104"}));
        for (QAction* a : bar->actions()) {
            if (!a->isSeparator())
                QVERIFY2(!a->icon().isNull(), qPrintable(a->text()));
        }
    }

    void keyBindingsSendTheirIds() {
        StandInWindows windows({});
        mainfrm m;
        const QList<QPair<QKeySequence, int>> bindings = {{QKeySequence("Ctrl+N"), 9107},
                                                          {QKeySequence("Ctrl+E"), 9108},
                                                          {QKeySequence("Ctrl+D"), 91091},
                                                          {QKeySequence("Ctrl+P"), 9110},
                                                          {QKeySequence("Ctrl+R"), 9112}};
        for (const auto& [keys, id] : bindings) {
            const QList<QAction*> actions = m.actionsFor(id);
            QCOMPARE(actions.size(), 1);
            QCOMPARE(actions.first()->shortcut(), keys);
            QVERIFY(m.actions().contains(actions.first()));
        }
        // Pressed on the window (with an ordinary child active, so Ctrl+P and Ctrl+R are on).
        windows.add("Mz_CKFY");
        m.openChildWindow("Mz_CKFY");
        m.show();
        QApplication::setActiveWindow(&m);
        QVERIFY(QTest::qWaitForWindowActive(&m));
        for (const auto& [keys, id] : bindings) {
            QSignalSpy triggered(m.actionsFor(id).first(), &QAction::triggered);
            QTest::keyClick(m.focusWidget() ? m.focusWidget() : &m, Qt::Key(keys[0].key()),
                            keys[0].keyboardModifiers());
            QCOMPARE(triggered.count(), 1);
        }
        QCOMPARE(childNames(m), QStringList{"Mz_CKFY"});
    }

    void commandsOfMissingWindowsAreDisabled() {
        StandInWindows windows({"Mz_CKFY"});
        FakeProcessLauncher launcher;
        mainfrm m;
        const QList<int> missing = {9109, 202, 203, 751, 9103, 9106, 9105, 603, 604, 903, 9102};
        for (int id : missing) {
            QVERIFY2(!m.isCommandEnabled(id), qPrintable(QString::number(id)));
            QVERIFY(!m.actionsFor(id).isEmpty());
            for (QAction* a : m.actionsFor(id))
                QVERIFY2(!a->isEnabled(), qPrintable(a->text()));
        }
        // Given anyway (through the dispatcher), they open nothing and start nothing.
        for (int id : missing)
            m.onCommand(id);
        QCOMPARE(childNames(m), QStringList{"Mz_CKFY"});
        QVERIFY(!gReLogin);
        QVERIFY(launcher.programs.isEmpty());
        for (int id : {201, 602, 9104, 801, 1001, 1101})
            QVERIFY2(m.isCommandEnabled(id), qPrintable(QString::number(id)));

        // A window that joins the program enables its command.
        windows.add("Frm_FYCX");
        m.updateCommandStates();
        QVERIFY(m.actionsFor(202).first()->isEnabled());
        m.onCommand(202);
        QCOMPARE(childNames(m), (QStringList{"Mz_CKFY", "Frm_FYCX"}));
    }

    // 操作日志查询 opens only for a user holding the log's own right; a switch of user decides anew.
    void auditLogNeedsItsOwnRight() {
        StandInWindows windows({"Mz_CKFY", "Frm_CZRZ"});
        currentUser().YJXT_LOG = false;
        mainfrm m;
        QVERIFY(!m.actionsFor(204).first()->isEnabled());
        m.onCommand(204);
        QCOMPARE(childNames(m), QStringList{"Mz_CKFY"});
        currentUser().YJXT_LOG = true;
        emit SessionEvents::instance().userSwitched();
        QVERIFY(m.actionsFor(204).first()->isEnabled());
        m.onCommand(204);
        QCOMPARE(childNames(m), (QStringList{"Mz_CKFY", "Frm_CZRZ"}));
        currentUser().YJXT_LOG = false;
    }

    // 帮助目录 and 帮助主题 open one manual window, turned to its contents and to its index.
    void helpItemsOpenTheManual() {
        StandInWindows windows({"Mz_CKFY"});
        QStringList calls;
        struct StandInHelp : QWidget, HelpPages {
            explicit StandInHelp(QStringList* c) : calls(c) {}
            void showContents() override { calls->append("contents"); }
            void showIndex() override { calls->append("index"); }
            QStringList* calls;
        };
        ChildWindowRegistry::instance().add(
            "Frm_Help", [&calls](QWidget*) -> QWidget* { return new StandInHelp(&calls); });
        mainfrm m;
        m.show();
        QVERIFY(m.actionsFor(901).first()->isEnabled() && m.actionsFor(902).first()->isEnabled());
        m.actionsFor(901).first()->trigger();
        m.actionsFor(902).first()->trigger();
        QCOMPARE(calls, (QStringList{"contents", "index"}));
        QCOMPARE(childNames(m), (QStringList{"Mz_CKFY", "Frm_Help"}));
    }

    void keyBindingsAndLibraryEntriesDoNothing() {
        StandInWindows windows({"Mz_CKFY"});
        FakeMessageService messages;
        FakeProcessLauncher launcher;
        mainfrm m;
        m.show();
        const Snapshot before = snapshotOf(m);
        for (int id : {9107, 9108, 91091, 9110, 9112, 35000, 35002, 0})
            m.onCommand(id);
        QVERIFY(snapshotOf(m) == before);
        QCOMPARE(messages.count(), 0);
        QVERIFY(launcher.programs.isEmpty());
        QCOMPARE(windows.created.value("Mz_CKFY"), 1);
        QVERIFY(m.isVisible());
    }

    void printAndRefreshKeysNeedAnOrdinaryActiveChild() {
        StandInWindows windows({"Frm_wnl", "Mz_CKFY", "Frm_FNBJ"});
        mainfrm m;
        m.show();
        auto enabled = [&m] {
            const bool p = m.actionsFor(9110).first()->isEnabled();
            const bool r = m.actionsFor(9112).first()->isEnabled();
            if (p != r)
                return -1;
            return p ? 1 : 0;
        };
        QCOMPARE(enabled(), 1); // Mz_CKFY is active
        m.onCommand(Cmd::PerpetualCalendar);
        QCOMPARE(m.activeChild()->objectName(), QString("Frm_wnl"));
        QCOMPARE(enabled(), 0);
        m.openChildWindow("Frm_FNBJ");
        QCOMPARE(enabled(), 0);
        m.onCommand(Cmd::PendingDocuments);
        QCOMPARE(enabled(), 1);
        m.CloseForms({}, {}, {});
        QCOMPARE(m.activeChild(), nullptr);
        QCOMPARE(enabled(), 0);
    }

    void themesAreFourLooksAndCheckedFollowsTheCurrent() {
        StandInWindows windows({});
        mainfrm m;
        QSet<QString> looks;
        for (int id = 1001; id <= 1004; ++id) {
            m.onCommand(id);
            QCOMPARE(Themes::current(), id - 1001);
            for (int other = 1001; other <= 1004; ++other) {
                QCOMPARE(m.isCommandChecked(other), other == id);
                QCOMPARE(m.actionsFor(other).first()->isChecked(), other == id);
            }
            looks << QApplication::style()->name().toLower() + QLatin1Char('/') +
                         QApplication::palette().color(QPalette::Window).name() + QLatin1Char('/') +
                         QApplication::palette().color(QPalette::Highlight).name();
        }
        QCOMPARE(looks.size(), 4);
        // Child windows keep their own light blue whatever the theme: every look must keep
        // their labels and grid text readable on it.
        for (int id = 1001; id <= 1004; ++id) {
            m.onCommand(id);
            const QPalette p = QApplication::palette();
            for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                QVERIFY2(contrast(p.color(role), CleanControl::windowColor()) >= 4.5,
                         qPrintable(QStringLiteral("theme %1, role %2").arg(id).arg(int(role))));
            QVERIFY2(contrast(p.color(QPalette::Text), p.color(QPalette::Base)) >= 4.5,
                     qPrintable(QString::number(id)));
            QVERIFY2(contrast(p.color(QPalette::HighlightedText), p.color(QPalette::Highlight)) >= 3.0,
                     qPrintable(QString::number(id)));
        }
        // Choosing the checked theme again keeps it checked.
        m.actionsFor(1004).first()->trigger();
        QVERIFY(m.actionsFor(1004).first()->isChecked());
    }

    void toolbarCommandTogglesTheToolbar() {
        StandInWindows windows({});
        mainfrm m;
        m.show();
        QAction* toggle = m.actionsFor(1101).first();
        QVERIFY(toggle->isChecked());
        toggle->trigger();
        QVERIFY(m.standardToolbar()->isHidden());
        QVERIFY(!toggle->isChecked());
        m.onCommand(1101);
        QVERIFY(m.standardToolbar()->isVisible());
        QVERIFY(toggle->isChecked());
    }

    void calculatorStartsTheFirstInstalledOne() {
        StandInWindows windows({});
        FakeMessageService messages;
        FakeProcessLauncher launcher;
        QTemporaryDir first, second;
        makeExecutable(first.filePath("xcalc"));
        makeExecutable(second.filePath("galculator"));
        makeExecutable(second.filePath("xcalc"));
        QFile plain(first.filePath("kcalc")); // present but not executable
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", (first.path() + QDir::listSeparator() + second.path()).toLocal8Bit());

        mainfrm m;
        m.onCommand(Cmd::Calculator);
        QCOMPARE(launcher.programs, QStringList{second.filePath("galculator")});

        // A calculator that fails to start is ignored.
        launcher.succeed = false;
        m.onCommand(Cmd::Calculator);
        QCOMPARE(launcher.programs.size(), 2);

        QCOMPARE(messages.count(), 0);

        // None installed: nothing started, and the clerk is told so, once.
        QTemporaryDir empty;
        qputenv("PATH", empty.path().toLocal8Bit());
        if (CalculatorLauncher::find(CalculatorLauncher::searchFolders()).isEmpty()) {
            m.onCommand(Cmd::Calculator);
            QCOMPARE(launcher.programs.size(), 2);
            QCOMPARE(messages.texts(), QStringList{"本机没有安装计算器。"});
            QCOMPARE(messages.last().title, QString("系统提示"));
        }
        qputenv("PATH", savedPath);
        QVERIFY(CalculatorLauncher::find({first.path()}).endsWith("/xcalc"));
    }

    void statusBarAndCaption() {
        StandInWindows windows({"Mz_CKFY"});
        mainfrm m;
        m.show();
        // Child windows never lie under the status bar.
        const QRect area(m.workspace()->mapTo(&m, QPoint(0, 0)), m.workspace()->size());
        QVERIFY(area.bottom() < m.statusBar()->geometry().top());
        QVERIFY(m.workspace()->currentSubWindow()->geometry().bottom() <=
                m.workspace()->viewport()->height());
        QCOMPARE(m.windowTitle(), QString("【放射科】管理系统"));
        const QStringList texts = {"出生证明", "城东社区卫生服务中心",
                                   "2020-01-25 星期六  庚子年(鼠)正月初一    春节", "张三", "08:30:05"};
        const QStringList tips = {"关于软件", "", "显示当前的农历和公历日期", "显示当前的登陆用户",
                                  "当前时间"};
        for (int i = 1; i <= 5; ++i) {
            auto* panel = m.statusBar()->findChild<QLabel*>(QStringLiteral("Panel%1").arg(i));
            QVERIFY(panel);
            QCOMPARE(panel->text(), texts.at(i - 1));
            QCOMPARE(panel->toolTip(), tips.at(i - 1));
        }
        // The clock panel keeps up with the time.
        Clock::setFixedNow(QDateTime(QDate(2020, 1, 25), QTime(23, 59, 58)));
        QTRY_COMPARE_WITH_TIMEOUT(m.panelText(5), QString("23:59:58"), 3000);
        // A user switch writes the operator panel of the running main window.
        password::defaultFlow().showOperator(QStringLiteral("操作员：李四"));
        QCOMPARE(m.panelText(4), QString("操作员：李四"));
        QCOMPARE(m.windowTitle(), QString("【放射科】管理系统"));
        // The switched user works for the department chosen then; the caption says so.
        gExecDept = QStringLiteral("检验科");
        emit SessionEvents::instance().userSwitched();
        QCOMPARE(m.windowTitle(), QString("【检验科】管理系统"));
    }

    void panelThreeShowsTodaysLunarLine() {
        StandInWindows windows({});
        mainfrm::setLunarTextProvider({});
        Clock::setFixedNow(QDateTime(QDate(2020, 5, 23), QTime(9, 0)));
        mainfrm m;
        QCOMPARE(m.panelText(3), lunarStatusLine(QDate(2020, 5, 23)));
        QVERIFY(m.panelText(3).startsWith("2020-05-23"));
    }

    void aDayPastTheCalendarShowsTheErrorAndLoadingGoesOn() {
        StandInWindows windows({"Mz_CKFY"});
        FakeMessageService messages;
        mainfrm::setLunarTextProvider({});
        Clock::setFixedNow(QDateTime(QDate(2101, 1, 29), QTime(9, 0)));
        mainfrm m;
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().title, QString("系统提示"));
        QVERIFY2(messages.last().text.contains("下标越界"), qPrintable(messages.last().text));
        QCOMPARE(m.panelText(3), QString());
        QCOMPARE(m.panelText(5), QString("09:00:00"));
        QCOMPARE(childNames(m), QStringList{"Mz_CKFY"});
        QCOMPARE(m.windowTitle(), QString("【放射科】管理系统"));
    }

    void lunarFailureLeavesPanelThreeEmpty() {
        StandInWindows windows({"Mz_CKFY"});
        mainfrm::setLunarTextProvider([] { return QString(); });
        mainfrm m;
        QCOMPARE(m.panelText(3), QString());
        QCOMPARE(childNames(m), QStringList{"Mz_CKFY"}); // loading went on
        QCOMPARE(m.windowTitle(), QString("【放射科】管理系统"));
    }

    void switchUserShowsTheLoginWindowNotModal() {
        StandInWindows windows({"Mz_CKFY", "password"});
        gReLogin = false;
        mainfrm m;
        m.show();
        m.onCommand(Cmd::SwitchUser);
        QVERIFY(gReLogin);
        QWidget* login = FindLoadedWindow("password");
        QVERIFY(login);
        QVERIFY(login->isVisible());
        QCOMPARE(login->windowModality(), Qt::NonModal);
        QVERIFY(login->isWindow());
        // Centred over the main window.
        const QPoint offset = login->frameGeometry().center() - m.frameGeometry().center();
        QVERIFY2(qAbs(offset.x()) <= 3 && qAbs(offset.y()) <= 3,
                 qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
        m.onCommand(Cmd::SwitchUser);
        QCOMPARE(windows.created.value("password"), 1);
        QVERIFY(m.isVisible());
        delete login;
        gReLogin = false;
    }
};

QTEST_MAIN(MainfrmCommandsTest)
#include "mainfrm_commands.moc"
