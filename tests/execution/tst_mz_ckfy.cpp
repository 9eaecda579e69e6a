#include "HospitalFixture.h"
#include "common/SpreadGrid.h"
#include "common/WindowRequests.h"
#include "common/core/AnsiCodec.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/SqlTrace.h"
#include "execution/Mz_CKFY.h"
#include "execution/core/AutoPrintOption.h"
#include "execution/core/ExecutionStatements.h"
#include "support/FakeMessageService.h"
#include "support/FakePrintService.h"
#include "support/TestEngine.h"
#include "support/TestFolder.h"

#include <QSignalSpy>

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

using Item = HospitalFixture::Item;

// One window on one fresh database; the window is deleted with the fixture unless it closed.
struct Setup {
    TestFolder folder;
    FakeMessageService messages;
    FakePrintService printer{folder.path()}; // the slip printer takes every auto-printed slip
    HospitalFixture db{folder};
    QPointer<Mz_CKFY> window;

    Setup() { printer.printers = {QStringLiteral("检验科打印机")}; }
    ~Setup() { delete window.data(); }

    Mz_CKFY* open() {
        window = new Mz_CKFY;
        window->show();
        return window;
    }
    template <class T> T* get(const char* name) const {
        T* c = window->findChild<T*>(QString::fromLatin1(name));
        if (!c)
            qWarning("no control %s", name);
        return c;
    }
    SpreadGrid* list() const { return get<SpreadGrid>("fpSpread1"); }
    SpreadGrid* items() const { return get<SpreadGrid>("fpSpread2"); }
    QString text(const char* name) const {
        if (auto* l = window->findChild<QLineEdit*>(QString::fromLatin1(name)))
            return l->text();
        if (auto* l = window->findChild<QLabel*>(QString::fromLatin1(name)))
            return l->text();
        return QStringLiteral("<no control>");
    }
    QStringList listedDH() const {
        QStringList out;
        for (int r = 1; r <= list()->maxRows(); ++r)
            out << list()->text(r, 1);
        return out;
    }
    void clickRow(int row) {
        SpreadGrid* g = list();
        const QRect rect = g->visualRect(g->model()->index(row - 1, 0));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, rect.center());
    }
    void key(int k) { QTest::keyClick(window.data(), Qt::Key(k)); }
    int executions(const QString& dh) {
        return db.count(QStringLiteral("from MZ_YJZX where DH='") + dh + QLatin1Char('\''));
    }
};

QList<Item> twoItems() {
    return {Item{QStringLiteral("JY0001"), 1, 20, 20}, Item{QStringLiteral("JY0006"), 2, 8, 8}};
}

// Statements sent while `run` runs.
template <class F> QStringList traced(const TestFolder& folder, F run) {
    const QString file = folder.file(QStringLiteral("trace-%1.log").arg(QDateTime::currentMSecsSinceEpoch()));
    qputenv("YJGL_SQL_TRACE", file.toLocal8Bit());
    run();
    qunsetenv("YJGL_SQL_TRACE");
    return SqlTrace::readStatements(file);
}

} // namespace

class MzCkfyTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_setup = std::make_unique<Setup>();
        QVERIFY2(m_setup->db.isReady(), qPrintable(m_setup->db.error()));
    }
    void cleanup() { m_setup.reset(); }

    void loadShowsListCountersAndControls();
    void emptyListShowsZeroCounters();
    void reversedDatesAreRefusedOnce();
    void equalDatesCoverTheWholeDay();
    void autoRefreshFollowsConfiguration_data();
    void autoRefreshFollowsConfiguration();
    void timerRefreshesTheList();
    void autoPrintMarksQualifyingDocuments();
    void autoPrintOffMarksNothing();
    void autoPrintOptionIsStoredAtOnce();
    void autoPrintOptionReadsLeadingDigitsAndRefusesOthers_data();
    void autoPrintOptionReadsLeadingDigitsAndRefusesOthers();
    void autoPrintOptionThatCannotBeWrittenIsReported();
    void clickingARowShowsHeaderItemsAndTotal();
    void clickingAnInpatientRow();
    void clickingAnEmptyListDoesNothing();
    void documentWithoutItemsShowsOnlyTheTotal();
    void typedNumbersOnlyQueryAtThirteen();
    void executionChecksInOrder();
    void cancelWritesNothing();
    void inpatientIsRefusedBeforeTheQuestion();
    void executionStoresRecordAndRefreshes();
    void executionNumbersDoNotRepeat();
    void numberTakenElsewhereIsNamedWithTheSuccess();
    void linkLostDuringTheCommitIsSettled();
    void failingProcedureRollsBack();
    void executedElsewhereMeanwhileGivesTheListMessage();
    void aSwitchedUserExecutesAndChecks();
    void largeAmountsAndHeadingsShowWhole();
    void checkerMenuListsUsersInTableOrder();
    void refreshKeepsTheUsersPlace();
    void keys();
    void layoutFollowsTheWindowSize();
    void queryButtonWaitsForItsWindow();

private:
    std::unique_ptr<Setup> m_setup;
};

void MzCkfyTest::loadShowsListCountersAndControls() {
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 8), twoItems());
    s.db.addOutpatient("2026120700002", "患者乙", HospitalFixture::at(0, 8, 30), twoItems());
    s.db.addInpatient("Z2026120700001", "患者丙", "ZY001", "12床", HospitalFixture::at(0, 7), twoItems());
    s.db.addOutpatient("2026120600009", "昨天的", HospitalFixture::at(1, 10), twoItems());
    // Another department's document is not this department's business.
    s.db.addOutpatient("2026120700003", "放射的", HospitalFixture::at(0, 8), {Item{"FS0001", 1, 80, 80}});
    Mz_CKFY* w = s.open();

    QCOMPARE(w->windowTitle(), QStringLiteral("待执行单据管理"));
    QCOMPARE(s.listedDH(), (QStringList{"Z2026120700001", "2026120700001", "2026120700002"}));
    QCOMPARE(s.list()->text(1, 3), QStringLiteral("住院"));
    QCOMPARE(s.list()->text(2, 2), QStringLiteral("患者甲"));
    QCOMPARE(s.list()->columnHeader(1), QStringLiteral("处方号码"));
    QCOMPARE(s.list()->columnHeader(3), QStringLiteral("类别"));
    QCOMPARE(s.text("Label_MZ"), QStringLiteral("门诊:2张"));
    QCOMPARE(s.text("Label_ZY"), QStringLiteral("住院:1张"));
    QCOMPARE(s.get<QDateEdit>("S_D")->date(), HospitalFixture::today());
    QCOMPARE(s.get<QDateEdit>("E_D")->date(), HospitalFixture::today());
    QCOMPARE(s.text("CFH"), QStringLiteral("20261207"));
    QCOMPARE(s.text("FYR"), HospitalFixture::user());
    QCOMPARE(s.text("PYR"), HospitalFixture::user());
    QCOMPARE(s.text("Label_FYDH"), QStringLiteral("202612070001"));
    QCOMPARE(s.text("Label16"), QStringLiteral("No:"));
    QCOMPARE(s.items()->columnHeader(12), QStringLiteral("是否减库存"));
    QVERIFY(!s.get<QCheckBox>("Check1")->isChecked());
    QTimer* timer = s.get<QTimer>("Timer1");
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 5000);
    for (const char* name :
         {"Command1", "Command2", "Command3", "Command4", "Command5", "Command6", "Command7", "Command8"})
        QVERIFY2(s.get<QPushButton>(name), name);
    for (const char* name : {"Frame3", "Txt_DH", "XM", "XB", "NL", "KDYS", "KDSJ", "ZYH", "CWH", "Label1",
                             "Label2", "Label3", "Check2"})
        QVERIFY2(s.window->findChild<QWidget*>(QString::fromLatin1(name)), name);
    QVERIFY(s.window->findChild<QMenu*>(QStringLiteral("yj")));
    QCOMPARE(s.messages.count(), 0);
}

void MzCkfyTest::emptyListShowsZeroCounters() {
    Setup& s = *m_setup;
    s.open();
    QCOMPARE(s.list()->maxRows(), 0);
    QCOMPARE(s.text("Label_MZ"), QStringLiteral("门诊:0张"));
    QCOMPARE(s.text("Label_ZY"), QStringLiteral("住院:0张"));
    QCOMPARE(s.messages.count(), 0);
}

void MzCkfyTest::reversedDatesAreRefusedOnce() {
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "今天的", HospitalFixture::at(0, 8), twoItems());
    s.db.addOutpatient("2026120600001", "昨天的", HospitalFixture::at(1, 8), twoItems());
    s.open();
    QCOMPARE(s.listedDH(), QStringList{"2026120700001"});

    auto* sd = s.get<QDateEdit>("S_D");
    auto* ed = s.get<QDateEdit>("E_D");
    ed->setDate(HospitalFixture::today().addDays(-1));
    s.key(Qt::Key_F5);
    QCOMPARE(s.messages.texts(), QStringList{"日期不能倒置"});
    QCOMPARE(s.messages.last().title, QStringLiteral("系统提示"));
    QCOMPARE(s.messages.last().icon, MsgIcon::Exclamation);
    QCOMPARE(sd->date(), ed->date());
    QCOMPARE(s.listedDH(), QStringList{"2026120700001"}); // unchanged

    // The next refresh runs with the equal dates, without another message.
    s.key(Qt::Key_F5);
    QCOMPARE(s.messages.count(), 1);
    QCOMPARE(s.listedDH(), QStringList{"2026120600001"});
}

void MzCkfyTest::equalDatesCoverTheWholeDay() {
    Setup& s = *m_setup;
    s.db.addOutpatient("A-MIDNIGHT", "零点", HospitalFixture::at(1, 0, 0, 0), twoItems());
    s.db.addOutpatient("B-LAST", "最后一秒", HospitalFixture::at(1, 23, 59, 59), twoItems());
    s.db.addOutpatient("C-BEFORE", "前一天", HospitalFixture::at(2, 23, 59, 59), twoItems());
    s.db.addOutpatient("D-AFTER", "后一天", HospitalFixture::at(0, 0, 0, 0), twoItems());
    s.open();
    const QDate yesterday = HospitalFixture::today().addDays(-1);
    s.get<QDateEdit>("S_D")->setDate(yesterday);
    s.get<QDateEdit>("E_D")->setDate(yesterday);
    const QStringList sent = traced(s.folder, [&] { s.key(Qt::Key_F5); });
    QVERIFY(sent.contains(ExecutionSql::pendingList(HospitalFixture::dept(), yesterday, yesterday)));
    QCOMPARE(s.listedDH(), (QStringList{"A-MIDNIGHT", "B-LAST"}));
}

void MzCkfyTest::autoRefreshFollowsConfiguration_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<bool>("on");
    QTest::newRow("text 1") << "UPDATE QKZL_CONFIG SET Item_Value='1' WHERE Item_Name='ZDFY'" << false;
    QTest::newRow("number 1") << "UPDATE QKZL_CONFIG SET Item_Value=1 WHERE Item_Name='ZDFY'" << false;
    QTest::newRow("true") << "UPDATE QKZL_CONFIG SET Item_Value='True' WHERE Item_Name='ZDFY'" << false;
    QTest::newRow("missing row") << "DELETE FROM QKZL_CONFIG WHERE Item_Name='ZDFY'" << false;
    QTest::newRow("0") << "UPDATE QKZL_CONFIG SET Item_Value='0' WHERE Item_Name='ZDFY'" << true;
    QTest::newRow("2") << "UPDATE QKZL_CONFIG SET Item_Value='2' WHERE Item_Name='ZDFY'" << true;
    QTest::newRow("null") << "UPDATE QKZL_CONFIG SET Item_Value=NULL WHERE Item_Name='ZDFY'" << true;
}

void MzCkfyTest::autoRefreshFollowsConfiguration() {
    QFETCH(QString, statement);
    QFETCH(bool, on);
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 8), twoItems());
    QVERIFY(s.db.exec(statement));
    Mz_CKFY* w = s.open();
    QCOMPARE(w->autoRefreshOn(), on);
    QCOMPARE(s.get<QTimer>("Timer1")->isActive(), on);
    QCOMPARE(s.list()->maxRows(), on ? 1 : 0);
    QCOMPARE(s.messages.count(), 0); // a missing item is no error
    // Manual refresh works either way.
    s.key(Qt::Key_F5);
    QCOMPARE(s.list()->maxRows(), 1);
    QCOMPARE(s.text("Label_MZ"), QStringLiteral("门诊:1张"));
}

void MzCkfyTest::timerRefreshesTheList() {
    Setup& s = *m_setup;
    s.open();
    QCOMPARE(s.list()->maxRows(), 0);
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 8), twoItems());
    s.get<QTimer>("Timer1")->setInterval(20);
    QTRY_COMPARE(s.list()->maxRows(), 1);
    QCOMPARE(s.text("Label_MZ"), QStringLiteral("门诊:1张"));
}

void MzCkfyTest::autoPrintMarksQualifyingDocuments() {
    Setup& s = *m_setup;
    s.folder.writeBytes("ORVA.ini", AnsiCodec::encode(QStringLiteral("[窗口发药]\r\n自动打印处方=1\r\n")));
    s.db.addOutpatient("MZ-NULL", "甲", HospitalFixture::at(0, 8), twoItems(), QVariant());
    s.db.addOutpatient("MZ-FALSE", "乙", HospitalFixture::at(0, 8), twoItems(), 0);
    s.db.addOutpatient("MZ-TRUE", "丙", HospitalFixture::at(0, 8), twoItems(), 1);
    s.db.addInpatient("ZY-NULL", "丁", "ZY1", "1床", HospitalFixture::at(0, 8), twoItems(), QVariant());
    s.db.addInpatient("ZY-FALSE", "戊", "ZY2", "2床", HospitalFixture::at(0, 8), twoItems(), 0);
    s.db.addInpatient("ZY-TRUE", "己", "ZY3", "3床", HospitalFixture::at(0, 8), twoItems(), 1);
    s.open();
    // The option is read after the first fill, so the marking starts with the next refresh.
    QVERIFY(s.get<QCheckBox>("Check1")->isChecked());
    QCOMPARE(s.db.count("from mz_kfdj where IsPrint=1"), 1);
    s.key(Qt::Key_F5);
    QCOMPARE(s.list()->maxRows(), 6);
    auto isPrint = [&](const char* table, const char* dh) {
        return s.db.scalar(QStringLiteral("select IsPrint from %1 where DH='%2'").arg(table, dh));
    };
    QCOMPARE(isPrint("mz_kfdj", "MZ-NULL").toInt(), 1);
    QCOMPARE(isPrint("mz_kfdj", "MZ-FALSE").toInt(), 0); // a stored false stays
    QCOMPARE(isPrint("mz_kfdj", "MZ-TRUE").toInt(), 1);
    QCOMPARE(isPrint("ZY_KFDJ", "ZY-NULL").toInt(), 1);
    QCOMPARE(isPrint("ZY_KFDJ", "ZY-FALSE").toInt(), 1);
    QCOMPARE(isPrint("ZY_KFDJ", "ZY-TRUE").toInt(), 1);

    // Marked at most once: the next refresh sends no update.
    const QStringList sent = traced(s.folder, [&] { s.key(Qt::Key_F5); });
    QCOMPARE(sent.filter(QStringLiteral("Update")).size(), 0);
    QCOMPARE(sent.size(), 1);
}

void MzCkfyTest::autoPrintOffMarksNothing() {
    Setup& s = *m_setup;
    s.db.addOutpatient("MZ-NULL", "甲", HospitalFixture::at(0, 8), twoItems(), QVariant());
    s.db.addInpatient("ZY-FALSE", "戊", "ZY2", "2床", HospitalFixture::at(0, 8), twoItems(), 0);
    s.open();
    QCOMPARE(s.list()->maxRows(), 2);
    QVERIFY(s.db.scalar("select IsPrint from mz_kfdj where DH='MZ-NULL'").isNull());
    QCOMPARE(s.db.scalar("select IsPrint from ZY_KFDJ where DH='ZY-FALSE'").toInt(), 0);
}

void MzCkfyTest::autoPrintOptionIsStoredAtOnce() {
    Setup& s = *m_setup;
    s.open();
    auto* check = s.get<QCheckBox>("Check1");
    QVERIFY(!check->isChecked());
    QVERIFY(s.folder.readBytes("ORVA.ini").isEmpty());
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, check->height() / 2));
    QVERIFY(check->isChecked());
    QVERIFY(AnsiCodec::decode(s.folder.readBytes("ORVA.ini")).contains(QStringLiteral("自动打印处方=1")));
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, check->height() / 2));
    QVERIFY(!check->isChecked());
    QVERIFY(AnsiCodec::decode(s.folder.readBytes("ORVA.ini")).contains(QStringLiteral("自动打印处方=0")));
    QCOMPARE(s.messages.count(), 0);
}

void MzCkfyTest::autoPrintOptionReadsLeadingDigitsAndRefusesOthers_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<int>("boxes");
    QTest::newRow("leading digits") << "1abc" << true << 0;
    QTest::newRow("out of range") << "7" << false << 1;
}

void MzCkfyTest::autoPrintOptionReadsLeadingDigitsAndRefusesOthers() {
    QFETCH(QString, stored);
    QFETCH(bool, ticked);
    QFETCH(int, boxes);
    Setup& s = *m_setup;
    s.folder.writeBytes("ORVA.ini", AnsiCodec::encode(QStringLiteral("[窗口发药]\r\n自动打印处方=") + stored +
                                                      QStringLiteral("\r\n")));
    s.open();
    QCOMPARE(s.get<QCheckBox>("Check1")->checkState(), ticked ? Qt::Checked : Qt::Unchecked);
    QCOMPARE(s.messages.count(), boxes);
    if (boxes)
        QVERIFY(s.messages.last().text.contains(QStringLiteral("380")));
}

void MzCkfyTest::autoPrintOptionThatCannotBeWrittenIsReported() {
    Setup& s = *m_setup;
    s.open();
    // A folder in the file's place: the write fails.
    QVERIFY(QDir(s.folder.path()).mkdir(QStringLiteral("ORVA.ini")));
    auto* check = s.get<QCheckBox>("Check1");
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, check->height() / 2));
    QCOMPARE(s.messages.count(), 1);
    QCOMPARE(s.messages.last().title, QStringLiteral("系统提示"));
    QVERIFY(s.messages.last().text.startsWith(QStringLiteral("错误号：")));
    QVERIFY(!check->isChecked()); // the box shows what is stored
    // With the option not stored, a refresh marks nothing.
    s.db.addOutpatient("MZ-NULL", "甲", HospitalFixture::at(0, 8), twoItems(), QVariant());
    s.key(Qt::Key_F5);
    QCOMPARE(s.list()->maxRows(), 1);
    QVERIFY(s.db.scalar("select IsPrint from mz_kfdj where DH='MZ-NULL'").isNull());
}

void MzCkfyTest::clickingARowShowsHeaderItemsAndTotal() {
    Setup& s = *m_setup;
    s.db.addCatalogueItem("T-STOCK", "减库存项目", HospitalFixture::dept(), 12.5, 1, 10);
    s.db.addOutpatient(
        "2026120700001", "患者甲", HospitalFixture::at(0, 8, 15),
        {Item{"JY0001", 2, 2.5, 1.005}, Item{"JY0006", QVariant(), 1, 1.005},
         // A server's integer column takes no text: there the group is missing.
         Item{"T-STOCK", TestEngine::onPostgres() ? QVariant() : QVariant(QStringLiteral("A")), 3, 4}});
    s.open();
    s.clickRow(1);

    QCOMPARE(s.text("Txt_DH"), QStringLiteral("2026120700001"));
    QCOMPARE(s.get<QGroupBox>("Frame3")->title(), QStringLiteral("门诊处方信息"));
    QCOMPARE(s.text("XM"), QStringLiteral("患者甲"));
    QCOMPARE(s.text("XB"), QStringLiteral("女"));
    QCOMPARE(s.text("NL"), QStringLiteral("35岁"));
    QCOMPARE(s.text("KDYS"), QStringLiteral("李医生"));
    QVERIFY(s.text("KDSJ").startsWith(QStringLiteral("2026-12-07")));
    QCOMPARE(s.text("ZYH"), QString());
    QCOMPARE(s.text("CWH"), QString());
    QCOMPARE(s.text("Label_FYDH"), QStringLiteral("202612070001"));

    SpreadGrid* g = s.items();
    QCOMPARE(g->maxRows(), 4);
    QCOMPARE(g->text(1, 1), QStringLiteral("1"));
    QCOMPARE(g->text(1, 2), QStringLiteral("2"));
    QCOMPARE(g->text(1, 3), QStringLiteral("JY0001"));
    QCOMPARE(g->text(1, 4), QStringLiteral("血常规"));
    QCOMPARE(g->text(1, 8), QStringLiteral("2.500"));
    QCOMPARE(g->text(1, 9), QStringLiteral("1.01"));
    QCOMPARE(g->text(2, 2), QStringLiteral("1")); // null group
    QCOMPARE(g->text(3, 2), QStringLiteral("1")); // letter group
    QCOMPARE(g->text(3, 10), QStringLiteral("12.5"));
    QCOMPARE(g->text(3, 12), QStringLiteral("1"));
    QCOMPARE(g->text(1, 12), QStringLiteral("0"));
    QCOMPARE(g->text(3, 13), QStringLiteral("10"));
    QVERIFY(!g->text(3, 14).isEmpty());
    // Totals row: joined "合计:" and the total of the raw amounts.
    QCOMPARE(g->text(4, 1), QStringLiteral("合计:"));
    QCOMPARE(g->columnSpan(3, 0), 2);
    QCOMPARE(g->text(4, 9), QStringLiteral("6.01"));
    // Group colours: even olive, odd teal; the totals row keeps none.
    QCOMPARE(g->cellBackground(1, 2), QColor(192, 192, 0));
    QCOMPARE(g->cellBackground(2, 2), QColor(0, 192, 192));
    QCOMPARE(g->cellBackground(3, 2), QColor(0, 192, 192));
    QVERIFY(!g->cellBackground(4, 2).isValid());
    QCOMPARE(s.messages.count(), 0);
}

void MzCkfyTest::clickingAnInpatientRow() {
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 7), twoItems());
    s.db.addInpatient("Z1", "患者丙", "ZY001", "12床", HospitalFixture::at(0, 8), twoItems());
    s.open();
    s.clickRow(1);
    QCOMPARE(s.items()->maxRows(), 3);
    s.clickRow(2);
    QCOMPARE(s.text("Txt_DH"), QStringLiteral("Z1"));
    QCOMPARE(s.get<QGroupBox>("Frame3")->title(), QStringLiteral("住院处方信息"));
    QCOMPARE(s.text("XM"), QStringLiteral("患者丙"));
    QCOMPARE(s.text("ZYH"), QStringLiteral("ZY001"));
    QCOMPARE(s.text("CWH"), QStringLiteral("12床"));
    QCOMPARE(s.text("NL"), QString());
    // Inpatient items are not listed here (and the previous document's are gone).
    QCOMPARE(s.items()->maxRows(), 0);
    QCOMPARE(s.messages.count(), 0);
}

void MzCkfyTest::clickingAnEmptyListDoesNothing() {
    Setup& s = *m_setup;
    s.open();
    const QStringList sent = traced(
        s.folder, [&] { QTest::mouseClick(s.list()->viewport(), Qt::LeftButton, {}, QPoint(10, 10)); });
    QVERIFY(sent.isEmpty());
    QCOMPARE(s.text("Txt_DH"), QString());
    QCOMPARE(s.messages.count(), 0);
}

void MzCkfyTest::documentWithoutItemsShowsOnlyTheTotal() {
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 7), {});
    Mz_CKFY* w = s.open();
    w->LoadDJMX("2026120700001", QString());
    QCOMPARE(s.items()->maxRows(), 1);
    QCOMPARE(s.items()->text(1, 1), QStringLiteral("合计:"));
    QCOMPARE(s.items()->text(1, 9), QStringLiteral("0.00"));
}

void MzCkfyTest::typedNumbersOnlyQueryAtThirteen() {
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 7), twoItems());
    s.open();
    auto* cfh = s.get<QLineEdit>("CFH");
    const QStringList sent = traced(s.folder, [&] {
        cfh->setText("202612070000");   // 12
        cfh->setText("20261207000012"); // 14
    });
    QVERIFY2(sent.filter("SP_MZ_CF").isEmpty(), qPrintable(sent.join('\n')));
    QCOMPARE(s.messages.count(), 0);

    cfh->setText("2026120799999");
    QCOMPARE(s.messages.texts(), QStringList{"未找到该处方,请核对。"});
    QCOMPARE(s.text("Txt_DH"), QString());

    // Blanks and quotes are cleaned away before the lookup.
    cfh->setText(" 2026120'7 00001 ");
    QCOMPARE(cfh->text(), QStringLiteral("2026120700001"));
    QCOMPARE(s.text("Txt_DH"), QStringLiteral("2026120700001"));
    QCOMPARE(s.text("XM"), QStringLiteral("患者甲"));
    QCOMPARE(s.items()->maxRows(), 3);
    QCOMPARE(s.messages.count(), 1);
}

void MzCkfyTest::executionChecksInOrder() {
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 7), twoItems());
    s.db.addOutpatient("2026120700002", "患者乙", HospitalFixture::at(0, 8), twoItems());
    s.open();

    // Right after opening: nothing chosen.
    s.key(Qt::Key_F2);
    QCOMPARE(s.messages.texts(), QStringList{"请先选择您要执行的处方单号"});
    QCOMPARE(s.messages.last().title, QStringLiteral("系统提示"));

    // No item ticked.
    s.clickRow(1);
    s.items()->setText(1, 1, "0");
    s.items()->setText(2, 1, "0");
    // A click on the totals row ticks nothing.
    SpreadGrid* items = s.items();
    QTest::mouseClick(items->viewport(), Qt::LeftButton, {},
                      items->visualRect(items->model()->index(2, 0)).center());
    QCOMPARE(items->text(3, 1), QStringLiteral("合计:"));
    s.messages.clear();
    s.key(Qt::Key_F2);
    QCOMPARE(s.messages.texts(), QStringList{"至少要选择一个项目执行"});

    // One tick is enough to reach the confirmation.
    s.items()->setText(2, 1, "1");
    s.messages.clear();
    s.messages.setNextAnswer(MsgAnswer::Cancel);
    s.get<QPushButton>("Command2")->click();
    QCOMPARE(s.messages.texts(), QStringList{"你确认要执行此单据【患者甲】吗?"});
    QCOMPARE(s.messages.last().title, QStringLiteral("询问"));
    QCOMPARE(s.messages.last().buttons, MsgButtons::OkCancel);

    // Meanwhile another workstation executes it: the refresh drops it.
    QVERIFY(s.db.exec("UPDATE MZ_KFDJMX SET ZXBZ=1 WHERE DH='2026120700001'"));
    s.messages.clear();
    s.key(Qt::Key_F2);
    QCOMPARE(s.messages.texts(),
             QStringList{"单据列表中未找到该单号，可能是该单号刚才已经在另一个医技科室中执行了。"});
    QCOMPARE(s.listedDH(), QStringList{"2026120700002"});
    QCOMPARE(s.executions("2026120700001"), 0);
}

void MzCkfyTest::cancelWritesNothing() {
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 7), twoItems());
    s.open();
    s.clickRow(1);
    s.messages.setNextAnswer(MsgAnswer::Cancel);
    s.key(Qt::Key_F2);
    QCOMPARE(s.messages.count(), 1);
    QCOMPARE(s.db.count("from MZ_YJZX"), 0);
    QCOMPARE(s.db.count("from MZ_KFDJMX where ZXBZ=1"), 0);
    QCOMPARE(s.list()->maxRows(), 1);
}

void MzCkfyTest::inpatientIsRefusedBeforeTheQuestion() {
    Setup& s = *m_setup;
    s.db.addInpatient("Z1", "患者丙", "ZY001", "12床", HospitalFixture::at(0, 8), twoItems());
    s.open();
    s.clickRow(1);
    s.key(Qt::Key_F2);
    QCOMPARE(s.messages.texts(), QStringList{"住院单据不在本窗口执行。"});
    QCOMPARE(s.messages.last().title, QStringLiteral("系统提示"));
    QCOMPARE(s.db.count("from MZ_YJZX"), 0);
    QCOMPARE(s.db.count("from ZY_KFDJMX where ZXBZ=1"), 0);
}

void MzCkfyTest::executionStoresRecordAndRefreshes() {
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 7), twoItems());
    s.db.addOutpatient("2026120700002", "患者乙", HospitalFixture::at(0, 8), twoItems());
    s.open();
    s.clickRow(1);
    s.get<QLineEdit>("PYR")->setText("李四");
    s.key(Qt::Key_F2);
    QCOMPARE(s.messages.texts(), (QStringList{"你确认要执行此单据【患者甲】吗?", "执行成功。"}));
    QCOMPARE(s.messages.last().title, QStringLiteral("信息"));
    QCOMPARE(s.messages.last().icon, MsgIcon::Information);
    QCOMPARE(s.db.count("from MZ_YJZX"), 1);
    QCOMPARE(
        s.db.scalar("select ZXDH||'|'||DH||'|'||ZXR||'|'||FHR||'|'||KSMC||'|'||XM||'|'||SFZF from MZ_YJZX")
            .toString(),
        QStringLiteral("202612070001|2026120700001|张三|李四|检验科|患者甲|0"));
    QCOMPARE(s.db.count("from MZ_KFDJMX where DH='2026120700001' and ZXBZ=0"), 0);
    QCOMPARE(s.listedDH(), QStringList{"2026120700002"});
    QCOMPARE(s.text("Label_MZ"), QStringLiteral("门诊:1张"));
    // The header keeps the executed document; executing it again is turned away.
    QCOMPARE(s.text("Txt_DH"), QStringLiteral("2026120700001"));
    QCOMPARE(s.text("Label_FYDH"), QStringLiteral("202612070001"));
    s.messages.clear();
    s.key(Qt::Key_F2);
    QCOMPARE(s.messages.texts(),
             QStringList{"单据列表中未找到该单号，可能是该单号刚才已经在另一个医技科室中执行了。"});
    QCOMPARE(s.db.count("from MZ_YJZX"), 1);
}

void MzCkfyTest::executionNumbersDoNotRepeat() {
    Setup& s = *m_setup;
    // Dispensing has already used 0005 today (and 0042 yesterday).
    QVERIFY(
        s.db.exec("INSERT INTO MZ_FYDJ (FYDH, DH, FYRQ) VALUES ('202612060042','X','2026-12-06 10:00:00')"));
    QVERIFY(
        s.db.exec("INSERT INTO MZ_FYDJ (FYDH, DH, FYRQ) VALUES ('202612070005','X','2026-12-07 08:00:00')"));
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 7), twoItems());
    s.db.addOutpatient("2026120700002", "患者乙", HospitalFixture::at(0, 8), twoItems());
    s.db.addOutpatient("2026120700003", "患者丁", HospitalFixture::at(0, 8, 30), twoItems());
    s.open();
    QCOMPARE(s.text("Label_FYDH"), QStringLiteral("202612070006"));
    // What the window shows when the success box appears.
    QString shownWithSuccess;
    s.messages.setOnShow([&](const FakeMessageService::Shown&) { shownWithSuccess = s.text("Label_FYDH"); });
    QStringList shown;
    QStringList stored;
    for (int i = 0; i < 3; ++i) {
        s.clickRow(1);
        shown << s.text("Label_FYDH");
        s.key(Qt::Key_F2);
        QCOMPARE(s.messages.last().text, QStringLiteral("执行成功。"));
        QCOMPARE(shownWithSuccess, s.text("Label_FYDH"));
        stored << s.db.scalar("select ZXDH from MZ_YJZX order by id desc limit 1").toString();
    }
    // Every execution stores the number shown for it, the second and third of the day too.
    QCOMPARE(stored, (QStringList{"202612070006", "202612070007", "202612070008"}));
    QCOMPARE(shown, stored);
    s.messages.setOnShow({});
    QCOMPARE(s.db.count("from MZ_YJZX"), 3);
    QCOMPARE(s.db.count("from (select distinct ZXDH from MZ_YJZX) T"), 3);
}

void MzCkfyTest::numberTakenElsewhereIsNamedWithTheSuccess() {
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 7), twoItems());
    s.open();
    s.clickRow(1);
    QCOMPARE(s.text("Label_FYDH"), QStringLiteral("202612070001"));
    // Another workstation stores the number this one shows.
    QVERIFY(s.db.exec("INSERT INTO MZ_YJZX (ZXDH, DH, KSMC) VALUES ('202612070001','OTHER','检验科')"));
    s.key(Qt::Key_F2);
    QCOMPARE(s.messages.last().text,
             QStringLiteral("执行成功。执行单号为202612070002（202612070001已被其他工作站使用）。"));
    QCOMPARE(s.text("Label_FYDH"), QStringLiteral("202612070002"));
}

void MzCkfyTest::linkLostDuringTheCommitIsSettled() {
    if (!TestEngine::onPostgres())
        QSKIP("the server ends the session during the commit; run as tst_mz_ckfy_pg");
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 7), twoItems());
    Mz_CKFY* w = s.open();
    s.clickRow(1);
    // A check deferred to the commit ends the workstation's session there, as a server stopped
    // at that moment does.
    QVERIFY(s.db.exec("CREATE FUNCTION yj_end_session() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                      "PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NULL; END $$"));
    QVERIFY(s.db.exec("CREATE CONSTRAINT TRIGGER yj_end_session AFTER INSERT ON MZ_YJZX "
                      "DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION yj_end_session()"));
    w->ExecDJ("2026120700001");
    QCOMPARE(s.messages.texts(),
             QStringList{"与数据库的连接在提交时中断，单据2026120700001没有执行，请重新执行。"});
    QVERIFY(gConn->isOpen());
    QCOMPARE(s.db.count("from MZ_YJZX"), 0);
    QCOMPARE(s.list()->maxRows(), 1); // still pending, listed again on the new link
}

void MzCkfyTest::failingProcedureRollsBack() {
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 7), twoItems());
    Mz_CKFY* w = s.open();
    s.clickRow(1);
    // The procedure refuses for a reason of its own: nothing stays written.
    if (TestEngine::onPostgres())
        QVERIFY(s.db.exec("CREATE OR REPLACE FUNCTION P_YJZX(p_dh citext, p_ksmc citext) RETURNS void "
                          "LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION '库存不足'; END $$"));
    else
        QVERIFY(s.db.exec("UPDATE sys_procedures SET body='SELECT yj_raise(''库存不足'') WHERE 1' "
                          "WHERE name='P_YJZX'"));
    w->ExecDJ("2026120700001");
    QCOMPARE(s.messages.count(), 1);
    QVERIFY(s.messages.last().text.startsWith(QStringLiteral("错误号：")));
    QCOMPARE(s.messages.last().title, QStringLiteral("系统提示"));
    QCOMPARE(s.db.count("from MZ_YJZX"), 0);
    QVERIFY(!gConn->inTransaction());
    QCOMPARE(s.list()->maxRows(), 1); // the document is still pending
}

void MzCkfyTest::executedElsewhereMeanwhileGivesTheListMessage() {
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 7), twoItems());
    Mz_CKFY* w = s.open();
    s.clickRow(1);
    // Another workstation executes it between the checks and the storing.
    QVERIFY(s.db.exec("UPDATE MZ_KFDJMX SET ZXBZ=1 WHERE DH='2026120700001'"));
    w->ExecDJ("2026120700001");
    QCOMPARE(s.messages.texts(),
             QStringList{"单据列表中未找到该单号，可能是该单号刚才已经在另一个医技科室中执行了。"});
    QCOMPARE(s.messages.last().title, QStringLiteral("系统提示"));
    QCOMPARE(s.db.count("from MZ_YJZX"), 0);
    QVERIFY(!gConn->inTransaction());
    QCOMPARE(s.list()->maxRows(), 0); // the list shows it gone
}

void MzCkfyTest::aSwitchedUserExecutesAndChecks() {
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 7), twoItems());
    s.open();
    currentUser().GetUserName = QStringLiteral("李四");
    emit SessionEvents::instance().userSwitched();
    QCOMPARE(s.text("FYR"), QStringLiteral("李四"));
    QCOMPARE(s.text("PYR"), QStringLiteral("李四"));
    s.clickRow(1);
    s.key(Qt::Key_F2);
    QCOMPARE(s.messages.last().text, QStringLiteral("执行成功。"));
    QCOMPARE(s.db.scalar("select ZXR||'|'||FHR from MZ_YJZX").toString(), QStringLiteral("李四|李四"));
}

void MzCkfyTest::largeAmountsAndHeadingsShowWhole() {
    Setup& s = *m_setup;
    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 7),
                       {Item{"JY0001", 1, 1240, 1240}, Item{"JY0006", 2, 8, 8}});
    s.open();
    s.clickRow(1);
    SpreadGrid* g = s.items();
    const int totals = g->maxRows();
    QCOMPARE(g->text(totals, 9), QStringLiteral("1248.00"));
    const int margin = 2 * (g->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, g) + 1) + 1;
    for (int row : {1, totals}) {
        for (int col : {8, 9}) {
            const int room = g->visualRect(g->model()->index(row - 1, col - 1)).width() - margin;
            QVERIFY2(g->fontMetrics().horizontalAdvance(g->text(row, col)) <= room,
                     qPrintable(QStringLiteral("row %1 column %2").arg(row).arg(col)));
        }
    }
    QHeaderView* header = g->horizontalHeader();
    const int headingMargin = 2 * g->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int col = 1; col <= 14; ++col)
        QVERIFY2(header->fontMetrics().horizontalAdvance(g->columnHeader(col)) + headingMargin <=
                     header->sectionSize(col - 1),
                 qPrintable(g->columnHeader(col)));
}

void MzCkfyTest::checkerMenuListsUsersInTableOrder() {
    Setup& s = *m_setup;
    s.open();
    QStringList users;
    AppError error;
    RecordsetPtr rs = gConn->execute(ExecutionSql::users(), &error);
    QVERIFY(rs && rs->RecordCount() > 1);
    for (int i = 0; i < rs->RecordCount(); ++i, rs->MoveNext())
        users << rs->text("username");
    auto* menu = s.window->findChild<QMenu*>("yj");
    QStringList captions;
    for (QAction* a : menu->actions())
        captions << a->text();
    QCOMPARE(captions, users);
    menu->actions().at(1)->trigger();
    QCOMPARE(s.text("PYR"), users.at(1));
    QCOMPARE(s.text("FYR"), HospitalFixture::user());
}

void MzCkfyTest::refreshKeepsTheUsersPlace() {
    Setup& s = *m_setup;
    for (int i = 1; i <= 80; ++i)
        s.db.addOutpatient(QStringLiteral("D%1").arg(i, 3, 10, QLatin1Char('0')),
                           QStringLiteral("患者%1").arg(i), HospitalFixture::at(0, 8).addSecs(i * 60),
                           twoItems());
    s.open();
    s.window->resize(1000, 600);
    SpreadGrid* g = s.list();
    g->scrollTo(g->model()->index(59, 0));
    s.clickRow(60);
    QCOMPARE(s.text("Txt_DH"), QStringLiteral("D060"));
    const int scroll = g->verticalScrollBar()->value();
    QVERIFY(scroll > 0);

    // Same rows: nothing moves, nothing is redrawn.
    QSignalSpy changed(g->model(), &QAbstractItemModel::dataChanged);
    s.key(Qt::Key_F5);
    QCOMPARE(g->activeRow(), 60);
    QCOMPARE(g->verticalScrollBar()->value(), scroll);
    QCOMPARE(changed.count(), 0);

    // A new document sorts in before it: the same document stays active, the view stays.
    s.db.addOutpatient("D000", "早到的", HospitalFixture::at(0, 7), twoItems());
    s.key(Qt::Key_F5);
    QCOMPARE(g->maxRows(), 81);
    QCOMPARE(g->text(g->activeRow(), 1), QStringLiteral("D060"));
    QCOMPARE(g->verticalScrollBar()->value(), scroll);

    // Another one leaves: still the same document.
    QVERIFY(s.db.exec("UPDATE MZ_KFDJMX SET ZXBZ=1 WHERE DH IN ('D000','D001','D002')"));
    s.key(Qt::Key_F5);
    QCOMPARE(g->maxRows(), 78);
    QCOMPARE(g->text(g->activeRow(), 1), QStringLiteral("D060"));
    QCOMPARE(g->verticalScrollBar()->value(), scroll);

    // The selected document itself leaves (executed elsewhere): no other row is highlighted
    // in its place while the header still shows it, and the view stays where it was.
    QVERIFY(s.db.exec("UPDATE MZ_KFDJMX SET ZXBZ=1 WHERE DH='D060'"));
    s.key(Qt::Key_F5);
    QCOMPARE(g->maxRows(), 77);
    QCOMPARE(g->activeRow(), 0);
    QVERIFY(g->selectionModel()->selectedIndexes().isEmpty());
    QCOMPARE(s.text("Txt_DH"), QStringLiteral("D060"));
    QCOMPARE(g->verticalScrollBar()->value(), scroll);
    QCOMPARE(s.messages.count(), 0);
}

void MzCkfyTest::keys() {
    Setup& s = *m_setup;
    s.open();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.data()));
    auto* cfh = s.get<QLineEdit>("CFH");
    cfh->setCursorPosition(0);
    s.get<QPushButton>("Command3")->setFocus();
    // Keys reach the window even when a control has the focus.
    QTest::keyClick(s.get<QDateEdit>("S_D"), Qt::Key_F3);
    QCOMPARE(cfh->cursorPosition(), 8);
    QTRY_VERIFY(cfh->hasFocus() || !s.window->isActiveWindow());

    s.db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 7), twoItems());
    QTest::keyClick(cfh, Qt::Key_F5);
    QCOMPARE(s.list()->maxRows(), 1);
    QCOMPARE(cfh->text(), QStringLiteral("20261207")); // the key was not typed into the box

    const QStringList sent = traced(s.folder, [&] { QTest::keyClick(s.list(), Qt::Key_F8); });
    QVERIFY(sent.isEmpty());
    QCOMPARE(s.messages.count(), 0);

    QTest::keyClick(s.list(), Qt::Key_F2);
    QCOMPARE(s.messages.texts(), QStringList{"请先选择您要执行的处方单号"});
}

void MzCkfyTest::layoutFollowsTheWindowSize() {
    Setup& s = *m_setup;
    s.open();
    for (const QSize size : {QSize(1200, 800), QSize(900, 500)}) {
        s.window->resize(size);
        QTRY_COMPARE(s.window->size(), size);
        auto* bar = s.window->findChild<QFrame*>("Frame4");
        auto* title = s.window->findChild<QFrame*>("Frame1");
        auto* strip = s.window->findChild<QFrame*>("Picture1");
        SpreadGrid* list = s.list();
        QCOMPARE(bar->geometry().bottom() + 1, size.height() - 3); // 50 twips
        QCOMPARE(list->y(), title->height());
        QCOMPARE(list->height(), size.height() - title->height() - bar->height() - strip->height() - 7 - 3);
        QCOMPARE(strip->y(), list->geometry().bottom() + 1);
        QCOMPARE(s.items()->width(), size.width() - list->width() - 7); // 100 twips
        QCOMPARE(s.items()->geometry().right() + 1, size.width());
        // Every button of the bar is whole inside the window, none over another.
        QList<QRect> taken;
        for (const char* name : {"Command1", "Command2", "Command3", "Command4", "Command5", "Command6",
                                 "Command7", "Command8"}) {
            auto* b = s.get<QPushButton>(name);
            const QRect r(b->mapTo(s.window.data(), QPoint(0, 0)), b->size());
            QVERIFY2(s.window->rect().contains(r), name);
            for (const QRect& other : taken)
                QVERIFY2(!r.intersects(other), name);
            taken << r;
        }
    }
}

void MzCkfyTest::queryButtonWaitsForItsWindow() {
    Setup& s = *m_setup;
    Mz_CKFY* w = s.open();
    auto* button = s.get<QPushButton>("Command5");
    QCOMPARE(button->text(), QStringLiteral("已执行单据查询(&S)"));
    QVERIFY(!button->isEnabled());
    QStringList opened;
    WindowRequests::install([](const QString& name) { return name == QLatin1String("Frm_FYCX"); },
                            [&](const QString& name) { opened << name; });
    w->hide();
    w->show();
    QVERIFY(button->isEnabled());
    button->click();
    WindowRequests::uninstall();
    QCOMPARE(opened, QStringList{"Frm_FYCX"});

    s.get<QPushButton>("Command4")->click();
    QTRY_VERIFY(s.window.isNull()); // closing releases the window
}

QTEST_MAIN(MzCkfyTest)
#include "tst_mz_ckfy.moc"
