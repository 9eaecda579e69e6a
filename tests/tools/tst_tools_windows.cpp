// The about box and the perpetual calendar: the calendar page in the embedded browser agrees
// with the program's own lunar calendar.
#include "common/core/ProcessLauncher.h"
#include "common/core/ProgramFolder.h"
#include "support/FakeMessageService.h"
#include "support/FakeProcessLauncher.h"
#include "support/TestFolder.h"
#include "tools/Frm_Help.h"
#include "tools/Frm_wnl.h"
#include "tools/about.h"
#include "tools/core/AboutTexts.h"
#include "tools/core/CalendarPage.h"
#include "tools/core/GET_NL.h"
#include "tools/core/LunarTable.h"
#include "tools/core/LunarTexts.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

// Runs a script in the page and waits for its result (invalid after 30 seconds).
QVariant evaluate(QWebEnginePage* page, const QString& script) {
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    QDeadlineTimer deadline(30000);
    while (!done && !deadline.hasExpired())
        QTest::qWait(20);
    return result;
}

// The lunar year and month-day of GET_NL's line ("辛酉年(鸡)正月初一"), empty outside its table.
QString programLunarText(const QDate& date) {
    QString line;
    AppError error;
    return LunarLineOf(date, &line, &error) ? line.section(QStringLiteral("  "), 1, 1) : QString();
}

// The program folder "{base}yj" with the shipped page in "{base}LBReg".
bool installPage(const TestFolder& folder, const QString& base) {
    const QDir root(folder.path());
    const QDir shipped(QDir(TestFolder::sourceDir()).filePath("resources/LBReg"));
    return root.mkpath(base + "yj") && root.mkpath(base + "LBReg") &&
           QFile::copy(shipped.filePath("wnl.htm"), folder.file(base + "LBReg/wnl.htm")) &&
           QFile::copy(shipped.filePath("festivals.js"), folder.file(base + "LBReg/festivals.js"));
}

// The calendar's browser; this test links the engine, so the view's own interface is at hand.
QWebEngineView* viewOf(const Frm_wnl& window) {
    return qobject_cast<QWebEngineView*>(window.browser());
}

// Shows the calendar window; true once its page has loaded without an error.
bool showLoaded(Frm_wnl& window) {
    QSignalSpy loaded(viewOf(window), &QWebEngineView::loadFinished);
    window.show();
    return (loaded.wait(30000) || loaded.count() == 1) && loaded.first().first().toBool();
}

// "2020-08-08 父亲节|" for every day of the lunar table with a festival in the status bar:
// the Gregorian festival, a bar, the lunar one.
QStringList statusBarFestivalDays() {
    QStringList days;
    for (QDate date = LunarTable::firstDay(); date <= LunarTable::lastDay(); date = date.addDays(1)) {
        const QString gregorian = LunarTexts::gregorianFestival(date);
        const QString lunar = LunarTexts::lunarFestival(LunarTexts::monthDayText(*LunarTable::toLunar(date)));
        if (!gregorian.isEmpty() || !lunar.isEmpty())
            days << date.toString(Qt::ISODate) + u' ' + gregorian + u'|' + lunar;
    }
    return days;
}

} // namespace

class ToolsWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_messages = std::make_unique<FakeMessageService>(); }
    void cleanup() {
        m_messages.reset();
        ProgramFolder::setOverride({});
    }

    void aboutShowsTitleAndBuildVersionAndHidesAnUnknownAddress() {
        QCOMPARE(AboutTexts::versionText(3, 0, 12), QStringLiteral("版本号:3.0.12(网络版)"));
        Messages::setApplicationTitle(QStringLiteral("医技管理"));
        FakeProcessLauncher launcher;
        about box;
        QCOMPARE(box.windowTitle(), QStringLiteral("关于软件"));
        QCOMPARE(box.findChild<QLabel*>("Label6")->text(), QStringLiteral("《医技管理》"));
        QCOMPARE(box.findChild<QLabel*>("Label_Ver")->text(),
                 AboutTexts::versionText(AboutTexts::versionMajor(), AboutTexts::versionMinor(),
                                         AboutTexts::versionRevision()));
        QVERIFY(about::makerAddress().isEmpty());
        QVERIFY(box.findChild<QLabel*>("Label9")->isHidden());
        QVERIFY(box.findChild<QLabel*>("Label8")->isHidden());
        QTest::mouseClick(box.findChild<QLabel*>("Label9"), Qt::LeftButton);
        QVERIFY(launcher.started.isEmpty());
    }

    // The manual opens at its contents; its index filters the keywords and opens the place.
    void helpShowsContentsAndFindsKeywords() {
        TestFolder folder;
        QVERIFY(QFile::link(qEnvironmentVariable("YJGL_SOURCE_DIR") + "/resources/manual",
                            folder.file("manual")));
        ProgramFolder::setOverride(folder.file("yj"));
        Frm_Help window;
        window.show();
        QCOMPARE(window.currentPage(), QStringLiteral("index.html"));
        QVERIFY(!window.findChild<QWidget*>("Frame1")->isVisible());
        window.showIndex();
        auto* filter = window.findChild<QLineEdit*>("Text1");
        QVERIFY(filter->isVisible());
        QCOMPARE(window.focusWidget(), filter);
        QInputMethodEvent typed; // Chinese arrives from the input method
        typed.setCommitString(QStringLiteral("备份"));
        QApplication::sendEvent(filter, &typed);
        QCOMPARE(window.findChild<QListWidget*>("List1")->count(), 1);
        QTest::keyClick(filter, Qt::Key_Return);
        QCOMPARE(window.currentPage(), QStringLiteral("it.html#backup"));
        QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
        QCOMPARE(window.currentPage(), QStringLiteral("index.html"));
        QCOMPARE(m_messages->count(), 0);
    }

    void helpWithoutTheManualSaysSo() {
        TestFolder folder;
        ProgramFolder::setOverride(folder.file("yj"));
        Frm_Help window;
        QVERIFY(window.findChild<QTextBrowser*>("WebBrowser1")
                    ->toPlainText()
                    .contains(QStringLiteral("找不到使用手册")));
        QCOMPARE(window.findChild<QListWidget*>("List1")->count(), 0);
    }

    void pageLiesBesideTheProgramFolder() {
        QCOMPARE(CalendarPagePath(QStringLiteral("D:\\his\\yj"), u'\\'),
                 QStringLiteral("D:\\his\\LBReg\\wnl.htm"));
        QCOMPARE(CalendarPagePath(QStringLiteral("D:\\"), u'\\'), QStringLiteral("LBReg\\wnl.htm"));
    }

    void missingPageIsOneMessageAndAnEmptyWindow() {
        TestFolder folder;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder.path()); // a root program looks in the current folder
        ProgramFolder::setOverride(QStringLiteral("/"));
        {
            Frm_wnl window;
            QCOMPARE(m_messages->texts(), QStringList{"文件未找到"});
            QCOMPARE(m_messages->last().icon, MsgIcon::Critical);
            QVERIFY(viewOf(window)->url().isEmpty());
        }
        QDir::setCurrent(previous);
    }

    void pageAgreesWithTheProgramsLunarCalendar() {
        TestFolder folder;
        QVERIFY(installPage(folder, "his/"));
        ProgramFolder::setOverride(folder.file("his/yj")); // two levels below the root
        Frm_wnl window;
        window.resize(900, 600);
        QVERIFY(showLoaded(window));
        QCOMPARE(m_messages->count(), 0);

        const QStringList shown = evaluate(viewOf(window)->page(), QStringLiteral(R"(
                (function () {
                    var out = [];
                    for (var y = 1921; y <= 2100; ++y)
                        for (var m = 1; m <= 12; ++m) {
                            Wnl.show(y, m);
                            var date = y + "-" + (m < 10 ? "0" : "") + m + "-01";
                            var cell = document.querySelector('td[data-date="' + date + '"]');
                            out.push(cell ? cell.getAttribute("data-lunar") : "?");
                        }
                    return out;
                })())"))
                                      .toStringList();
        QCOMPARE(shown.size(), 180 * 12);
        int i = 0;
        for (int y = 1921; y <= 2100; ++y) {
            for (int m = 1; m <= 12; ++m, ++i) {
                const QDate first(y, m, 1);
                QVERIFY2(shown.at(i) == programLunarText(first),
                         qPrintable(first.toString(Qt::ISODate) + ": " + shown.at(i)));
            }
        }
    }

    void pageShowsTheStatusBarsFestivals() {
        TestFolder folder;
        QVERIFY(installPage(folder, QString()));
        ProgramFolder::setOverride(folder.file("yj"));
        Frm_wnl window;
        QVERIFY(showLoaded(window));
        QWebEnginePage* page = viewOf(window)->page();
        const QStringList shown = evaluate(page, QStringLiteral(R"(
            (function () {
                var out = [], pad = function (n) { return (n < 10 ? "0" : "") + n; };
                for (var t = Date.UTC(1921, 1, 8); t <= Date.UTC(2101, 0, 28); t += 86400000) {
                    var day = new Date(t), y = day.getUTCFullYear(), m = day.getUTCMonth() + 1, d = day.getUTCDate();
                    var info = Wnl.describe(y, m, d);
                    if (info.gregorianFestival || info.lunarFestival)
                        out.push(y + "-" + pad(m) + "-" + pad(d) + " " + info.gregorianFestival + "|" + info.lunarFestival);
                }
                return out;
            })())"))
                                      .toStringList();
        const QStringList expected = statusBarFestivalDays();
        QVERIFY(expected.contains(QStringLiteral("2020-08-08 父亲节|")));
        QCOMPARE(shown, expected);

        const QString cell = evaluate(page, QStringLiteral(R"(
            Wnl.show(2020, 8);
            document.querySelector('td[data-date="2020-08-08"] .l').textContent)"))
                                 .toString();
        QCOMPARE(cell, QStringLiteral("父亲节"));
    }

    void pageNavigatesWithinItsYearsAndMarksToday() {
        TestFolder folder;
        QVERIFY(installPage(folder, QString()));
        ProgramFolder::setOverride(folder.file("yj"));
        Frm_wnl window;
        QVERIFY(showLoaded(window));
        const QString result = evaluate(viewOf(window)->page(), QStringLiteral(R"(
            (function () {
                var today = document.querySelector("td.today");
                var marks = [today ? today.getAttribute("data-date") : ""];
                Wnl.show(2100, 12); Wnl.step(1); marks.push(JSON.stringify(Wnl.shown()));
                Wnl.show(1921, 1); Wnl.step(-1); marks.push(JSON.stringify(Wnl.shown()));
                Wnl.step(13); marks.push(JSON.stringify(Wnl.shown()));
                return marks.join("|") + "|" + document.documentElement.outerHTML.indexOf("http");
            })())"))
                                   .toString();
        QCOMPARE(result,
                 QDate::currentDate().toString(Qt::ISODate) +
                     R"(|{"year":2100,"month":12}|{"year":1921,"month":1}|{"year":1922,"month":2}|-1)");
    }

private:
    std::unique_ptr<FakeMessageService> m_messages;
};

int main(int argc, char* argv[]) {
    // Run as root (CI), Chromium needs its sandbox off.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    ToolsWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tools_windows.moc"
