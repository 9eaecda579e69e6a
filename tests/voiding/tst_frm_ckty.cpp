#include "HospitalTestBed.h"
#include "VoidingFixture.h"
#include "common/CleanControl.h"
#include "common/SpreadGrid.h"
#include "common/WaitingCommands.h"
#include "common/WindowRequests.h"
#include "db/Connection.h"
#include "support/TestEngine.h"
#include "voiding/Frm_CKTY.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

using Item = HospitalFixture::Item;

const QString kNotListed = "未作废单据列表中未找到该单号，可能是该单号刚才已经作废。";

} // namespace

class FrmCktyTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void loadListsTodaysExecutedDocuments();
    void selectingShowsHeaderItemsAndTotals();
    void totalsRowWithoutItems();
    void refusalsAndCancelChangeNothing();
    void voidMarksOnlyThisDepartment();
    void voidedElsewhereMeanwhileIsRolledBack();
    void failedStepKeepsNothing();
    void searchAndQueryButton();
    void layoutFollowsTheWindow();

private:
    template <class T> T* get(const char* name) const {
        return m_window->findChild<T*>(QString::fromLatin1(name));
    }
    SpreadGrid* list() const { return get<SpreadGrid>("fpSpread1"); }
    SpreadGrid* items() const { return get<SpreadGrid>("fpSpread2"); }
    QString box(const char* name) const { return get<QLineEdit>(name)->text(); }
    Frm_CKTY* open();
    void clickRow(int row);
    QVariant scalar(const QString& sql) { return m_bed->db.scalar(sql); }

    std::unique_ptr<HospitalTestBed> m_bed;
    QPointer<Frm_CKTY> m_window;
};

void FrmCktyTest::init() {
    m_bed = std::make_unique<HospitalTestBed>();
    QVERIFY2(m_bed->db.isReady(), qPrintable(m_bed->db.error()));
    // Two lab items in groups 1 and 2, one X-ray item executed by another department.
    m_bed->db.addOutpatient(
        "D1", "患者甲", HospitalFixture::at(0, 8),
        {Item{"JY0001", 1, 20, 20}, Item{"JY0006", 2, 8.5, 17.125}, Item{"FS0001", 1, 60, 60}});
    // A server's integer column takes no text: there the group is missing, which shows the same.
    m_bed->db.addOutpatient("D2", "患者乙", HospitalFixture::at(0, 8),
                            {Item{"JY0002", TestEngine::onPostgres() ? QVariant() : QVariant("甲"), 15, 15}});
    m_bed->db.addOutpatient("OLD", "患者丙", HospitalFixture::at(3, 8), {Item{"JY0003", 1, 12, 12}});
    QVERIFY(Executed::record(m_bed->db, "D1", "检验科", "202612070001", HospitalFixture::at(0, 8, 10)));
    QVERIFY(Executed::record(m_bed->db, "D1", "放射科", "202612070002", HospitalFixture::at(0, 8, 20)));
    QVERIFY(Executed::record(m_bed->db, "D2", "检验科", "202612070003", HospitalFixture::at(0, 8, 30)));
    QVERIFY(Executed::record(m_bed->db, "OLD", "检验科", "202612040001", HospitalFixture::at(3, 8, 30)));
}

void FrmCktyTest::cleanup() {
    delete m_window.data();
    WindowRequests::uninstall();
    m_bed.reset();
}

Frm_CKTY* FrmCktyTest::open() {
    m_window = new Frm_CKTY;
    m_window->show();
    return m_window;
}

void FrmCktyTest::clickRow(int row) {
    SpreadGrid* g = list();
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                      g->visualRect(g->model()->index(row - 1, 0)).center());
}

void FrmCktyTest::loadListsTodaysExecutedDocuments() {
    open();
    QCOMPARE(m_window->windowTitle(), QString("单据作废"));
    for (const char* name :
         {"Frm_Search", "Label1", "S_D",    "Label2",   "E_D",      "Label3",   "Txt_Search", "Command1",
          "Frame3",     "Txt_DH", "Label8", "XM",       "XB",       "NL",       "KDYS",       "KDSJ",
          "ZYH",        "CWH",    "Frame4", "Command2", "Command4", "Command5", "Command6"})
        QVERIFY2(m_window->findChild<QWidget*>(name), name);
    const auto* waiting = m_window->findChild<WaitingCommands*>();
    QVERIFY(waiting);
    QCOMPARE(waiting->commands(), QList<QWidget*>{get<QWidget>("Command2")});
    QCOMPARE(get<QDateEdit>("S_D")->date(), HospitalFixture::today());
    QCOMPARE(get<QDateEdit>("E_D")->date(), HospitalFixture::today());
    QCOMPARE(list()->maxCols(), 2);
    QCOMPARE(list()->text(0, 1), QString("处方号码"));
    QCOMPARE(list()->maxRows(), 2);
    QCOMPARE(list()->text(1, 1), QString("D1"));
    QCOMPARE(list()->text(2, 2), QString("患者乙"));
    QCOMPARE(get<QGroupBox>("Frame3")->title(), QString("信息"));
    QCOMPARE(m_window->palette().color(QPalette::Window), CleanControl::windowColor());
    QVERIFY(m_bed->messages.texts().isEmpty());
}

void FrmCktyTest::selectingShowsHeaderItemsAndTotals() {
    open();
    clickRow(1);
    QCOMPARE(get<QGroupBox>("Frame3")->title(), QString("门诊处方信息"));
    QCOMPARE(box("Txt_DH"), QString("D1"));
    QCOMPARE(box("XM"), QString("患者甲"));
    QCOMPARE(box("NL"), QString("35岁"));
    QCOMPARE(box("KDYS"), QString("李医生"));
    QVERIFY(box("ZYH").isEmpty() && box("CWH").isEmpty());
    // Only this department's items, then the totals row.
    SpreadGrid* g = items();
    QCOMPARE(g->text(0, 0), QString("序号"));
    QCOMPARE(g->text(0, 8), QString("实收"));
    QCOMPARE(g->maxRows(), 3);
    QCOMPARE(g->text(1, 2), QString("JY0001"));
    QCOMPARE(g->text(2, 7), QString("8.500"));
    QCOMPARE(g->text(2, 8), QString("17.13"));
    QCOMPARE(g->text(3, 1), QString("合计:"));
    QCOMPARE(g->text(3, 8), QString("37.13"));
    QCOMPARE(g->cellBackground(1, 1), QColor(0, 192, 192));
    QCOMPARE(g->cellBackground(2, 1), QColor(192, 192, 0));
    QVERIFY(!g->cellBackground(3, 1).isValid());

    // A group that is not a number shows as 1 and is coloured odd.
    clickRow(2);
    QCOMPARE(g->maxRows(), 2);
    QCOMPARE(g->text(1, 1), QString("1"));
    QCOMPARE(g->cellBackground(1, 1), QColor(0, 192, 192));
    QCOMPARE(g->text(2, 8), QString("15.00"));
    QVERIFY(m_bed->messages.texts().isEmpty());
}

void FrmCktyTest::totalsRowWithoutItems() {
    open();
    m_window->LoadDetail("NONE");
    QCOMPARE(items()->maxRows(), 1);
    QCOMPARE(items()->text(1, 1), QString("合计:"));
    QCOMPARE(items()->text(1, 8), QString("0.00"));
}

void FrmCktyTest::refusalsAndCancelChangeNothing() {
    open();
    QTest::keyClick(m_window.data(), Qt::Key_F2);
    QCOMPARE(m_bed->messages.texts(), QStringList{"请先选择您要作废的单据！"});
    QCOMPARE(m_bed->messages.last().title, QString("系统提示"));

    m_bed->messages.clear();
    get<QLineEdit>("Txt_DH")->setText("OLD"); // executed, but not in today's list
    QTest::keyClick(get<QLineEdit>("Txt_DH"), Qt::Key_F2);
    QCOMPARE(m_bed->messages.texts(), QStringList{kNotListed});

    m_bed->messages.clear();
    clickRow(1);
    m_bed->messages.setNextAnswer(MsgAnswer::Cancel);
    get<QPushButton>("Command2")->click();
    QCOMPARE(m_bed->messages.texts(), QStringList{"确认要作废【患者甲】的单据吗?"});
    QCOMPARE(m_bed->messages.last().title, QString("询问"));
    QCOMPARE(m_bed->db.count("from MZ_YJZX where SFZF=1"), 0);
    QCOMPARE(list()->maxRows(), 2);
}

void FrmCktyTest::voidMarksOnlyThisDepartment() {
    open();
    clickRow(1);
    QTest::keyClick(m_window.data(), Qt::Key_F2);
    QCOMPARE(m_bed->messages.texts(), (QStringList{"确认要作废【患者甲】的单据吗?", "操作成功！"}));
    QCOMPARE(m_bed->messages.last().title, QString("系统提示"));
    QCOMPARE(m_bed->messages.last().icon, MsgIcon::Information);

    QCOMPARE(scalar("select SFZF||ZFR from MZ_YJZX where DH='D1' and KSMC='检验科'").toString(),
             QString("1张三"));
    QVERIFY(!scalar("select ZFRQ from MZ_YJZX where DH='D1' and KSMC='检验科'").toString().isEmpty());
    QCOMPARE(scalar("select SFZF from MZ_YJZX where DH='D1' and KSMC='放射科'").toInt(), 0);
    QCOMPARE(m_bed->db.count("from MZ_KFDJMX where DH='D1' and TYBZ=1"), 2);
    QCOMPARE(scalar("select TYBZ from MZ_KFDJMX where DH='D1' and BM='FS0001'").toInt(), 0);

    // Gone from the list, still shown; not pending again, not counted as executed.
    QCOMPARE(list()->maxRows(), 1);
    QCOMPARE(list()->text(1, 1), QString("D2"));
    QCOMPARE(box("Txt_DH"), QString("D1"));
    QCOMPARE(items()->text(1, 2), QString("JY0001"));
    QCOMPARE(m_bed->db.count("from MZ_YJZX where SFZF=0 and KSMC='检验科' and DH='D1'"), 0);
    QCOMPARE(scalar("Exec YJ_List '检验科','2026-12-07 00:00:00','2026-12-07 23:59:59'").toString(),
             QString());

    // A second void is refused by the list check.
    m_bed->messages.clear();
    QTest::keyClick(m_window.data(), Qt::Key_F2);
    QCOMPARE(m_bed->messages.texts(), QStringList{kNotListed});
}

void FrmCktyTest::voidedElsewhereMeanwhileIsRolledBack() {
    open();
    clickRow(1);
    // Another workstation voids the record after this list was loaded.
    QVERIFY(
        m_bed->db.exec("Update MZ_YJZX Set SFZF=1,ZFR='李四',ZFRQ='2026-12-07 08:50:00' Where DH='D1' And "
                       "KSMC='检验科'"));
    QTest::keyClick(m_window.data(), Qt::Key_F2);
    QCOMPARE(m_bed->messages.texts(), (QStringList{"确认要作废【患者甲】的单据吗?", kNotListed}));
    QCOMPARE(scalar("select ZFR||ZFRQ from MZ_YJZX where DH='D1' and KSMC='检验科'").toString(),
             QString("李四2026-12-07 08:50:00"));
    QCOMPARE(m_bed->db.count("from MZ_KFDJMX where TYBZ=1"), 0);
    QCOMPARE(list()->maxRows(), 1);
    QVERIFY(!gConn->inTransaction());
}

void FrmCktyTest::failedStepKeepsNothing() {
    open();
    clickRow(1);
    // The item update fails: the record's void is undone with it.
    if (TestEngine::onPostgres())
        QVERIFY(m_bed->db.exec("CREATE FUNCTION no_return() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                               "RAISE EXCEPTION '退费标记被拒绝'; END $$;\n"
                               "CREATE TRIGGER no_return BEFORE UPDATE OF TYBZ ON MZ_KFDJMX FOR EACH ROW "
                               "EXECUTE FUNCTION no_return()"));
    else
        QVERIFY(m_bed->db.exec("CREATE TRIGGER no_return BEFORE UPDATE OF TYBZ ON MZ_KFDJMX BEGIN "
                               "SELECT RAISE(ABORT, '退费标记被拒绝'); END"));
    QTest::keyClick(m_window.data(), Qt::Key_F2);
    QCOMPARE(m_bed->messages.count(), 2);
    QVERIFY(m_bed->messages.last().text.contains("退费标记被拒绝"));
    QCOMPARE(m_bed->db.count("from MZ_YJZX where SFZF=1"), 0);
    QCOMPARE(list()->maxRows(), 2);
    QVERIFY(!gConn->inTransaction());
}

void FrmCktyTest::searchAndQueryButton() {
    open();
    QVERIFY(!get<QPushButton>("Command5")->isEnabled());
    delete m_window.data();

    QStringList opened;
    WindowRequests::install([](const QString& name) { return name == "Frm_TYCX"; },
                            [&opened](const QString& name) { opened << name; });
    open();
    get<QPushButton>("Command5")->click();
    QCOMPARE(opened, QStringList{"Frm_TYCX"});

    // The name search and the date range, through the search button.
    get<QLineEdit>("Txt_Search")->setText(" 患者 乙 ");
    get<QPushButton>("Command1")->click();
    QCOMPARE(list()->maxRows(), 1);
    QCOMPARE(list()->text(1, 1), QString("D2"));
    get<QLineEdit>("Txt_Search")->clear();
    get<QDateEdit>("S_D")->setDate(HospitalFixture::today().addDays(-3));
    QTest::keyClick(get<QLineEdit>("Txt_Search"), Qt::Key_Return);
    QCOMPARE(list()->maxRows(), 3);
    QCOMPARE(list()->text(1, 1), QString("OLD"));
}

void FrmCktyTest::layoutFollowsTheWindow() {
    open();
    m_window->resize(1100, 700);
    QTest::qWait(0);
    const QRect l = list()->geometry();
    const QRect s = get<QWidget>("Frm_Search")->geometry();
    QCOMPARE(l.height(), 700 - s.height() - CleanControl::twipsToPixels(200));
    QCOMPARE(s.top(), l.top() + l.height() + CleanControl::twipsToPixels(50));
    QCOMPARE(items()->width(), 1100 - l.width() - CleanControl::twipsToPixels(100));
    QCOMPARE(items()->height(), l.height() - get<QWidget>("Frame3")->height());
    const QRect bar = get<QWidget>("Frame4")->geometry();
    QCOMPARE(bar.top(), 700 - bar.height() - CleanControl::twipsToPixels(50));
}

QTEST_MAIN(FrmCktyTest)
#include "tst_frm_ckty.moc"
