// The real child windows in the main window: cascading and tiling keep them usable, the
// window's place on the screen, the program's icon and the themes' look of the controls.
#include "HospitalTestBed.h"
#include "app/Themes.h"
#include "app/core/MainWindowPlacement.h"
#include "common/CleanControl.h"
#include "mainfrm_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QIcon>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>

namespace {

QImage iconImage(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class MainfrmArrangeTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { GuardAgainstRealExit(); }
    void init();
    void cleanup();
    void cascadeKeepsEveryWindowUsable();
    void tilingKeepsTheTaskPanelReadable();
    void restoringDownKeepsTheTitleBarOnScreen();
    void childWindowsCarryTheProgramIcon();
    void office2003CheckBoxesTakeTheWindowColour();

private:
    void openFourWindows(mainfrm& m);

    std::unique_ptr<HospitalTestBed> m_bed;
};

void MainfrmArrangeTest::init() {
    m_bed = std::make_unique<HospitalTestBed>();
    QVERIFY2(m_bed->db.isReady(), qPrintable(m_bed->db.error()));
    mainfrm::setLunarTextProvider([] { return QString(); });
}

void MainfrmArrangeTest::cleanup() {
    Themes::apply(Themes::OfficeXP);
    m_bed.reset();
}

void MainfrmArrangeTest::openFourWindows(mainfrm& m) {
    m.resize(1024, 700);
    m.show();
    for (int id : {int(Cmd::ExecutedQuery), int(Cmd::VoidedQuery), int(Cmd::Voiding)})
        m.onCommand(id);
    QCOMPARE(childNames(m), (QStringList{"Mz_CKFY", "Frm_FYCX", "Frm_TYCX", "Frm_CKTY"}));
}

void MainfrmArrangeTest::cascadeKeepsEveryWindowUsable() {
    mainfrm m;
    openFourWindows(m);
    m.onCommand(Cmd::Cascade);
    const QRect area = m.workspace()->viewport()->rect();
    QList<QPoint> corners;
    for (QMdiSubWindow* sub : m.workspace()->subWindowList(QMdiArea::CreationOrder)) {
        QVERIFY(!sub->isMaximized());
        // Big enough to show a list, a header and the buttons, not a bare title bar.
        QVERIFY2(sub->widget()->width() >= qMin(600, area.width() - 100) &&
                     sub->widget()->height() >= qMin(380, area.height() - 100),
                 qPrintable(sub->widget()->objectName()));
        QVERIFY(area.contains(sub->geometry().topLeft()));
        QVERIFY(!corners.contains(sub->geometry().topLeft()));
        corners << sub->geometry().topLeft();
    }
}

void MainfrmArrangeTest::tilingKeepsTheTaskPanelReadable() {
    mainfrm m;
    openFourWindows(m);
    m.onCommand(Cmd::TileHorizontal);
    for (const char* name : {"Frm_FYCX", "Frm_TYCX"}) {
        QWidget* window = FindLoadedWindow(QLatin1String(name));
        QList<QToolButton*> links;
        for (QToolButton* b : window->findChildren<QToolButton*>())
            if (QStringList{"打印", "打印浏览", "导出到Excel"}.contains(b->text()))
                links << b;
        QCOMPARE(links.size(), 3);
        for (int i = 0; i < links.size(); ++i) {
            // Each line keeps the height its text needs, none lies over another, and each can
            // be brought into the window (the panel scrolls where the window is too low).
            QToolButton* link = links.at(i);
            QVERIFY2(link->height() >= link->minimumSizeHint().height(), name);
            for (int j = i + 1; j < links.size(); ++j)
                QVERIFY2(!link->geometry().intersects(links.at(j)->geometry()), name);
            for (QWidget* w = link->parentWidget(); w && w != window; w = w->parentWidget())
                if (auto* scroll = qobject_cast<QScrollArea*>(w))
                    scroll->ensureWidgetVisible(link);
            QVERIFY2(window->rect().contains(QRect(link->mapTo(window, QPoint()), link->size())), name);
        }
    }
}

void MainfrmArrangeTest::restoringDownKeepsTheTitleBarOnScreen() {
    // Left maximised the last time, with a normal place partly above the screen.
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    QVERIFY(MainWindowPlacement::save({QRect(screen.left() + 30, screen.top() - 100, 600, 400), true}));
    mainfrm m;
    m.showPlaced();
    QVERIFY(m.isMaximized());
    m.showNormal();
    QTRY_VERIFY(!m.isMaximized());
    QVERIFY(screen.contains(m.frameGeometry().topLeft()));
    QCOMPARE(m.frameGeometry().left(), screen.left() + 30);
    QCOMPARE(m.size(), QSize(600, 400));
}

void MainfrmArrangeTest::childWindowsCarryTheProgramIcon() {
    mainfrm m;
    m.show();
    QMdiSubWindow* sub = FrameOf(m.activeChild());
    QVERIFY(sub);
    const QImage program = iconImage(QIcon(QStringLiteral(":/icons/applications-science.png")));
    QVERIFY(!program.isNull());
    QCOMPARE(iconImage(sub->windowIcon()), program);
    QCOMPARE(iconImage(m.windowIcon()), program);
}

void MainfrmArrangeTest::office2003CheckBoxesTakeTheWindowColour() {
    mainfrm m;
    m.resize(1024, 700);
    m.show();
    m.onCommand(Cmd::ThemeOffice2003);
    auto* box = m.activeChild()->findChild<QCheckBox*>("Check1");
    QVERIFY(box);
    // Beside its caption the box shows the window's own colour, no grey square.
    const QImage shot = box->grab().toImage();
    const QColor beside = shot.pixelColor(shot.width() - 2, shot.height() / 2);
    QCOMPARE(beside, CleanControl::windowColor());
}

QTEST_MAIN(MainfrmArrangeTest)
#include "mainfrm_arrange.moc"
