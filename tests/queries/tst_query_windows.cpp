#include "HospitalTestBed.h"
#include "common/SpreadGrid.h"
#include "db/audit/AuditTrail.h"
#include "output/XlsReader.h"
#include "queries/Frm_CZRZ.h"
#include "queries/Frm_FYCX.h"
#include "queries/Frm_TYCX.h"
#include "queries/TaskPanel.h"
#include "support/FakeFileDialogService.h"
#include "support/FakePrintService.h"
#include "support/TestEngine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <memory>

namespace {

using Item = HospitalFixture::Item;

} // namespace

class QueryWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void executedWindowControlsAndTaskPanel();
    void voidedWindowDiffers();
    void listsColumnsAndKeepsItemsOnNewQuery();
    void dateRangeCoversWholeDays();
    void numberModeIgnoresDates();
    void reversedDatesAreRefused();
    void mixedModeShowsOnlyTheItems();
    void reprintAsksAndPrintsTheSlip();
    void listHoldsMoreThan32767Rows();
    void exportAndPrintTheShownGrid();
    void keyboardRestLoadsItems();
    void newQueryShowsTheFirstRow();
    void dateBoxesWholeAtLowScreen();
    void auditLogFiltersAndItsExportIsLogged();

private:
    template <class T> T* get(const char* name) const {
        return m_window->findChild<T*>(QString::fromLatin1(name));
    }
    SpreadGrid* list() const { return get<SpreadGrid>("fpSpread1"); }
    SpreadGrid* items() const { return get<SpreadGrid>("fpSpread2"); }
    RecordQueryWindow* open(RecordQueryWindow* w);
    void query() { get<QPushButton>("Command3")->click(); }
    void task(const QString& caption);
    void clickRow(int row);
    QStringList column(int col) const;
    void record(const QString& zxdh, const QString& dh, const QString& when, int sfzf = 0,
                const QString& zfrq = {});

    std::unique_ptr<HospitalTestBed> m_bed;
    QPointer<RecordQueryWindow> m_window;
};

void QueryWindowsTest::init() {
    m_bed = std::make_unique<HospitalTestBed>();
    QVERIFY2(m_bed->db.isReady(), qPrintable(m_bed->db.error()));
    m_bed->db.addOutpatient(
        "D1", "患者甲", HospitalFixture::at(0, 8),
        {Item{"JY0001", 1, 20, 20}, Item{"JY0006", 1, 8.5, 17.125}, Item{"FS0001", 1, 60, 60}});
    m_bed->db.addOutpatient("D2", "患者乙", HospitalFixture::at(0, 8), {Item{"JY0002", 1, 15, 15}});
}

void QueryWindowsTest::cleanup() {
    delete m_window.data();
    m_bed.reset();
}

RecordQueryWindow* QueryWindowsTest::open(RecordQueryWindow* w) {
    m_window = w;
    m_window->resize(1100, 700);
    m_window->show();
    QApplication::setActiveWindow(m_window);
    return w;
}

void QueryWindowsTest::clickRow(int row) {
    SpreadGrid* g = list();
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                      g->visualRect(g->model()->index(row - 1, 0)).center());
}

void QueryWindowsTest::task(const QString& caption) {
    for (TaskPanelGroup* group : get<TaskPanel>("wndTaskPanel")->groups())
        for (TaskPanelItem* item : group->items())
            if (item->caption() == caption)
                return qobject_cast<QAbstractButton*>(item->control())->click();
    QFAIL(qPrintable("no task item " + caption));
}

QStringList QueryWindowsTest::column(int col) const {
    QStringList out;
    for (int r = 1; r <= list()->maxRows(); ++r)
        out << list()->text(r, col);
    return out;
}

void QueryWindowsTest::record(const QString& zxdh, const QString& dh, const QString& when, int sfzf,
                              const QString& zfrq) {
    QVERIFY(m_bed->db.exec(
        QStringLiteral("INSERT INTO MZ_YJZX (ZXDH, DH, ZXR, FHR, KSMC, XM, ZXSJ, SFZF, ZFR, ZFRQ) "
                       "VALUES ('%1','%2','张三','李四','检验科','患者','%3',%4,%5,%6)")
            .arg(zxdh, dh, when)
            .arg(sfzf)
            .arg(sfzf ? "'王五'" : "NULL", zfrq.isEmpty() ? "NULL" : "'" + zfrq + "'")));
}

void QueryWindowsTest::executedWindowControlsAndTaskPanel() {
    open(new Frm_FYCX);
    QCOMPARE(m_window->windowTitle(), QString("已执行单据查询"));
    for (const char* name :
         {"Picture3", "Frame1", "Label1", "S_D", "Label2", "E_D", "Frame2", "Combo1", "Frame4", "Combo2",
          "Frame3", "DH", "Check1", "Command3", "Command1", "Command2", "Picture1", "KsPrintCtl31"})
        QVERIFY2(m_window->findChild<QWidget*>(name), name);
    QCOMPARE(get<QLineEdit>("DH")->toolTip(), QString("如果输入处方号系统会忽略其它查询条件"));
    QCOMPARE(get<QDateEdit>("S_D")->date(), HospitalFixture::today());
    // The users in their order, then "全部", which is shown.
    auto* combo = get<QComboBox>("Combo2");
    QCOMPARE(combo->currentText(), QString("全部"));
    QCOMPARE(combo->itemText(combo->count() - 1), QString("全部"));
    QCOMPARE(combo->count(), 8);
    QVERIFY(combo->findText("李检验") >= 0);

    auto* tab = get<QTabWidget>("vbalDTabControlX1");
    QCOMPARE(tab->count(), 1);
    QCOMPARE(tab->tabText(0), QString("已执行单据查询"));
    QCOMPARE(tab->tabBar()->tabData(0).toString(), QString("FYCX"));
    QCOMPARE(tab->widget(0), get<QWidget>("Picture1"));
    QCOMPARE(list()->parentWidget(), get<QWidget>("Picture1"));

    auto* panel = get<TaskPanel>("wndTaskPanel");
    QCOMPARE(panel->width(), (3015 + 7) / 15);
    QCOMPARE(panel->margins(), QMargins(5, 5, 5, 5));
    QCOMPARE(panel->groupSpacing(), 5);
    QVERIFY(panel->icons() && panel->icons()->objectName() == "imlTaskPanelIcons");
    QCOMPARE(panel->groups().size(), 2);
    QCOMPARE(panel->groups().at(0)->caption(), QString("已执行单据查询"));
    TaskPanelItem* hosted = panel->groups().at(0)->items().value(0);
    QVERIFY(hosted && hosted->id() == 0 && hosted->control() == get<QWidget>("Picture3"));
    QCOMPARE(get<QWidget>("Frame1")->palette().color(QPalette::Window),
             panel->groups().at(0)->itemBackColor());
    QCOMPARE(panel->groups().at(1)->caption(), QString("处理"));
    QStringList links;
    for (TaskPanelItem* item : panel->groups().at(1)->items()) {
        links << QStringLiteral("%1=%2").arg(item->caption()).arg(item->id());
        QVERIFY(!qobject_cast<QAbstractButton*>(item->control())->icon().isNull());
    }
    QCOMPARE(links, (QStringList{"打印=100", "打印浏览=100", "导出到Excel=101"}));
}

void QueryWindowsTest::voidedWindowDiffers() {
    open(new Frm_TYCX);
    QCOMPARE(m_window->windowTitle(), QString("作废单据查询"));
    for (const char* name : {"Frame4", "Combo2", "Frame3", "DH", "Command2"})
        QVERIFY2(!m_window->findChild<QWidget*>(name), name);
    QCOMPARE(get<QWidget>("Frame2")->property("title").toString(), QString("操作员"));
    QCOMPARE(get<QTabWidget>("vbalDTabControlX1")->tabBar()->tabData(0).toString(), QString("FYCX"));
    QCOMPARE(get<TaskPanel>("wndTaskPanel")->groups().at(0)->caption(), QString("查询"));
    QCOMPARE(list()->maxCols(), 5);
    QCOMPARE(list()->text(0, 1), QString("作废日期"));
    QVERIFY(qAbs(list()->columnWidthChars(5) - 16.0) < 0.01);
    QVERIFY(qAbs(items()->columnWidthChars(2) - 23.25) < 0.01);
}

void QueryWindowsTest::listsColumnsAndKeepsItemsOnNewQuery() {
    record("202612070001", "D1", "2026-12-07 08:05:31");
    record("202612070002", "D2", "2026-12-07 08:06:00", 1, "2026-12-07 09:00:00");
    open(new Frm_FYCX);
    query();
    QCOMPARE(list()->maxRows(), 1);
    QCOMPARE(list()->text(0, 6), QString("执行单号"));
    QVERIFY(qAbs(list()->columnWidthChars(2) - 18.87) < 0.01);
    QCOMPARE(list()->text(1, 1), QString("2026-12-07 08:05"));
    QCOMPARE((QStringList{list()->text(1, 2), list()->text(1, 3), list()->text(1, 4), list()->text(1, 5),
                          list()->text(1, 6)}),
             (QStringList{"D1", "张三", "李四", "患者", "202612070001"}));
    clickRow(1);
    // Only this department's items, formatted.
    QCOMPARE(items()->maxRows(), 2);
    QCOMPARE(items()->text(0, 0), QString("序号"));
    QCOMPARE(items()->text(2, 1), QString("JY0006"));
    QCOMPARE(items()->text(2, 6), QString("8.500"));
    QCOMPARE(items()->text(2, 7), QString("17.13"));
    // A new query leaves the items; a second click replaces them.
    get<QComboBox>("Combo1")->setEditText("nobody");
    query();
    QCOMPARE(list()->maxRows(), 0);
    QCOMPARE(items()->maxRows(), 2);
}

void QueryWindowsTest::dateRangeCoversWholeDays() {
    record("X1", "D1", "2026-12-06 23:59:59");
    record("X2", "D1", "2026-12-07 00:00:00");
    record("X3", "D1", "2026-12-07 23:59:59");
    record("X4", "D1", "2026-12-08 00:00:00");
    record("V1", "D2", "2026-12-01 08:00:00", 1, "2026-12-06 12:00:00");
    record("V2", "D2", "2026-12-01 08:00:00", 1, "2026-12-07 23:59:00");
    record("V3", "D2", "2026-12-01 08:00:00", 1, "2026-12-08 00:00:00");
    open(new Frm_FYCX);
    query();
    QCOMPARE(column(6), (QStringList{"X2", "X3"}));
    delete m_window.data();

    open(new Frm_TYCX);
    query();
    QCOMPARE(column(5), QStringList{"V2"});
    get<QDateEdit>("S_D")->setDate(HospitalFixture::today().addDays(-1));
    query();
    QCOMPARE(column(5), (QStringList{"V1", "V2"}));
    QCOMPARE(column(3), (QStringList{"王五", "王五"}));
}

void QueryWindowsTest::numberModeIgnoresDates() {
    record("A", "1202612070001", "2026-11-01 08:00:00");
    record("B", "1302612070001", "2026-12-07 08:00:00");
    open(new Frm_FYCX);
    get<QDateEdit>("S_D")->setDate(HospitalFixture::today().addDays(1));
    get<QComboBox>("Combo1")->setEditText("nobody");
    get<QLineEdit>("DH")->setText(" 12 ");
    query();
    QCOMPARE(m_bed->messages.count(), 0);
    QCOMPARE(column(6), QStringList{"A"});
}

void QueryWindowsTest::reversedDatesAreRefused() {
    record("A", "D1", "2026-12-07 08:00:00");
    open(new Frm_FYCX);
    query();
    QCOMPARE(list()->maxRows(), 1);
    get<QDateEdit>("S_D")->setDate(HospitalFixture::today().addDays(1));
    query();
    QCOMPARE(m_bed->messages.texts(), QStringList{"开始日期不能晚上结束日期，请重新选择。"});
    QCOMPARE(m_bed->messages.last().title, QString("提示"));
    QCOMPARE(m_bed->messages.last().icon, MsgIcon::Exclamation);
    QCOMPARE(list()->maxRows(), 1);
    QCOMPARE(QApplication::focusWidget(), get<QWidget>("S_D"));
}

void QueryWindowsTest::mixedModeShowsOnlyTheItems() {
    open(new Frm_FYCX);
    auto* picture1 = get<QWidget>("Picture1");
    QCOMPARE(list()->height(), picture1->height() / 2 - 7);
    QCOMPARE(items()->y(), picture1->height() / 2 + 7);
    get<QCheckBox>("Check1")->click();
    QVERIFY(list()->isHidden());
    QVERIFY(get<QWidget>("Command1")->isHidden());
    QCOMPARE(items()->geometry(), QRect(0, 0, picture1->width(), picture1->height() - 7));
    get<QCheckBox>("Check1")->click();
    QVERIFY(!list()->isHidden());
    QVERIFY(!get<QWidget>("Command1")->isHidden());
}

void QueryWindowsTest::reprintAsksAndPrintsTheSlip() {
    FakeFileDialogService files;
    FakePrintService printer(m_bed->folder.path());
    open(new Frm_TYCX);
    get<QPushButton>("Command1")->click();
    QCOMPARE(m_bed->messages.texts(), QStringList{"请选择您要打印的处方单据"});
    QCOMPARE(m_bed->messages.last().title, QString("系统提示"));

    record("202612070009", "D1", "2026-12-07 08:00:00", 1, "2026-12-07 09:00:00");
    query();
    clickRow(1);
    m_bed->messages.clear();
    m_bed->messages.setNextAnswer(MsgAnswer::No);
    get<QPushButton>("Command1")->click();
    QCOMPARE(m_bed->messages.texts(), QStringList{"您真的要重打【202612070009】的处方单据吗？"});
    QCOMPARE(m_bed->messages.last().buttons, MsgButtons::YesNo);
    QCOMPARE(m_bed->messages.last().icon, MsgIcon::Question);
    QCOMPARE(m_bed->messages.last().defaultAnswer, MsgAnswer::No);
    QCOMPARE(files.count() + int(printer.jobs.size()), 0);

    // Yes prints the slip; without a printer it goes to a PDF file.
    files.setNextAnswer(m_bed->folder.file("slip.pdf"));
    m_bed->messages.setNextAnswer(MsgAnswer::Yes);
    get<QPushButton>("Command1")->click();
    const QString slip = pdfText(m_bed->folder.file("slip.pdf")).remove(' ');
    QVERIFY2(slip.contains("D1") && slip.contains("患者甲"), qPrintable(slip));
}

void QueryWindowsTest::listHoldsMoreThan32767Rows() {
    constexpr int kRows = 40000;
    // Numbers the server makes itself: the cross join's row ids, or a series.
    const bool server = TestEngine::onPostgres();
    const QString key = server ? QStringLiteral("'Z'||g")
                               : QStringLiteral("'Z'||a.rowid||'-'||b.rowid||'-'||c.rowid||'-'||d.rowid");
    const QString rows = server ? QStringLiteral("generate_series(1, %1) g")
                                : QStringLiteral("YF_YPML a, YF_YPML b, YF_YPML c, YF_YPML d LIMIT %1");
    QVERIFY(m_bed->db.exec(
        QStringLiteral("INSERT INTO MZ_YJZX (ZXDH, DH, ZXR, FHR, KSMC, XM, ZXSJ) SELECT ") + key +
        QStringLiteral(", 'D1', '张三', '李四', '检验科', '患者', '2026-12-07 08:00:00' FROM ") +
        rows.arg(kRows)));
    open(new Frm_FYCX);
    query();
    QCOMPARE(list()->maxRows(), kRows);
    QCOMPARE(list()->text(kRows, 2), QString("D1"));
    QVERIFY(list()->text(kRows, 6).startsWith("Z"));
}

// The list goes out as it is shown; in mixed mode the item grid does, under the window's title.
void QueryWindowsTest::exportAndPrintTheShownGrid() {
    record("202612070001", "D1", "2026-12-07 08:05:31");
    record("202612070002", "D2", "2026-12-07 08:06:00");
    FakeFileDialogService files;
    FakePrintService printer(m_bed->folder.path());
    open(new Frm_FYCX);
    query();
    files.setNextAnswer(m_bed->folder.file("out.xls"));
    task("导出到Excel");
    QCOMPARE(files.requests().value(0).fileName, QString("999"));
    const QVector<XlsSheet> sheets = readXls(m_bed->folder.file("out.xls"));
    QCOMPARE(sheets.size(), 1);
    QCOMPARE(sheets.at(0).name, QString("999"));
    QCOMPARE(sheets.at(0).rows.size(), 3);
    QCOMPARE(sheets.at(0).rows.at(0).value(1), QString("处方单号"));
    QCOMPARE(sheets.at(0).rows.at(2).value(5), QString("202612070002"));
    QCOMPARE(list()->maxRows(), 2);

    clickRow(1);
    get<QCheckBox>("Check1")->click();
    // Amounts go out as numbers a spreadsheet sums to the database's total (as shown, in cents).
    files.setNextAnswer(m_bed->folder.file("items.xlsx"));
    task("导出到Excel");
    QProcess python;
    python.start("/usr/bin/python3",
                 {"-c",
                  "import sys,openpyxl\n"
                  "s=openpyxl.load_workbook(sys.argv[1]).active\n"
                  "c=[r[6] for r in s.iter_rows(min_row=2)]\n"
                  "print(''.join(x.data_type for x in c), round(sum(x.value for x in c),2))",
                  m_bed->folder.file("items.xlsx")});
    QVERIFY(python.waitForFinished(60000));
    const double total = m_bed->db
                             .scalar("select sum(A.SSJE) from MZ_KFDJMX A, YF_YPML B where A.BM=B.YPBM "
                                     "and B.ZXKS='检验科' and A.DH='D1'")
                             .toDouble();
    QCOMPARE(QString::fromUtf8(python.readAll()).trimmed(),
             QString("nn %1").arg(qRound(total * 100) / 100.0));
    task("打印浏览");
    QCOMPARE(printer.previews.size(), 1);
    const QString page = pdfText(printer.previews.first()).remove(' ');
    QVERIFY2(page.contains("【检验科】已执行单据查询"), qPrintable(page));
    QVERIFY(page.contains("JY0006"));
    QVERIFY(!page.contains("202612070002"));
    QVERIFY(page.contains("2026-12-07到2026-12-07"));
    QVERIFY(page.contains("制单人:张三"));
    // Direct print without a printer goes to a PDF file.
    files.setNextAnswer(m_bed->folder.file("print.pdf"));
    task("打印");
    QVERIFY(pdfText(m_bed->folder.file("print.pdf")).remove(' ').contains("JY0001"));
}

// Arrow keys move the highlight without a statement per step; where it rests, the items load.
void QueryWindowsTest::keyboardRestLoadsItems() {
    record("202612070001", "D1", "2026-12-07 08:05:31");
    record("202612070002", "D2", "2026-12-07 08:06:00");
    open(new Frm_FYCX);
    query();
    clickRow(1);
    QCOMPARE(items()->maxRows(), 2);
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Down);
    QCOMPARE(items()->maxRows(), 2); // not at once
    QTRY_COMPARE_WITH_TIMEOUT(items()->maxRows(), 1, 2000);
    QCOMPARE(items()->text(1, 1), QString("JY0002"));
}

void QueryWindowsTest::newQueryShowsTheFirstRow() {
    for (int i = 0; i < 300; ++i)
        record(QString("2026120700%1").arg(i, 3, 10, QChar('0')), "D1", "2026-12-07 08:05:31");
    open(new Frm_FYCX);
    query();
    list()->scrollToBottom();
    query();
    QCOMPARE(list()->verticalScrollBar()->value(), 0);
}

void QueryWindowsTest::dateBoxesWholeAtLowScreen() {
    // The child window on a 1024×700 screen, below the main window's menu, tool and status bars.
    open(new Frm_FYCX)->resize(1000, 520);
    QApplication::processEvents();
    for (const char* name : {"S_D", "E_D"}) {
        auto* box = get<QDateEdit>(name);
        QVERIFY2(box->height() >= box->sizeHint().height(), name);
        QVERIFY(box->visibleRegion().boundingRect().height() >= box->sizeHint().height());
    }
}

// The log window filters by user, action and document number; its own export leaves a row
// naming the list, the rows and the file.
void QueryWindowsTest::auditLogFiltersAndItsExportIsLogged() {
    AuditTrail::record({"张三", "检验科", AuditAction::Execute, "D1", {}});
    AuditTrail::record({"李四", "检验科", AuditAction::Void, "D2", {}});
    AuditTrail::record({"张三", "检验科", AuditAction::Lock, {}, {}});
    FakeFileDialogService files;
    Frm_CZRZ window;
    window.resize(1100, 700);
    window.show();
    auto* grid = window.findChild<SpreadGrid*>("fpSpread1");
    const auto rowsFor = [&](const QString& user, const QString& action, const QString& dh) {
        window.findChild<QComboBox*>("Combo1")->setEditText(user);
        window.findChild<QComboBox*>("Combo2")->setEditText(action);
        window.findChild<QLineEdit*>("DH")->setText(dh);
        window.findChild<QPushButton*>("Command3")->click();
        QStringList rows;
        for (int r = 1; r <= grid->maxRows(); ++r)
            rows << grid->text(r, 2) + '/' + grid->text(r, 5) + '/' + grid->text(r, 6);
        return rows;
    };
    QCOMPARE(rowsFor("全部", "全部", {}), (QStringList{"张三/执行/D1", "李四/作废/D2", "张三/锁定/"}));
    QCOMPARE(rowsFor("张三", "全部", {}), (QStringList{"张三/执行/D1", "张三/锁定/"}));
    QCOMPARE(rowsFor("全部", "作废", {}), QStringList{"李四/作废/D2"});
    QCOMPARE(rowsFor("全部", "全部", "D1"), QStringList{"张三/执行/D1"});

    files.setNextAnswer(m_bed->folder.file("log.xls"));
    for (TaskPanelGroup* group : window.findChild<TaskPanel*>("wndTaskPanel")->groups())
        for (TaskPanelItem* item : group->items())
            if (item->caption() == QStringLiteral("导出到Excel"))
                qobject_cast<QAbstractButton*>(item->control())->click();
    QCOMPARE(readXls(m_bed->folder.file("log.xls")).value(0).rows.size(), 2);
    QCOMPARE(rowsFor("全部", AuditAction::GridExport, {}).size(), 1);
    const QString detail = m_bed->db.scalar("select XQ from YJGL_LOG where CZ='导出列表'").toString();
    QVERIFY2(detail.contains("操作日志查询") && detail.contains("1行") && detail.contains("log.xls"),
             qPrintable(detail));
}

QTEST_MAIN(QueryWindowsTest)
#include "tst_query_windows.moc"
