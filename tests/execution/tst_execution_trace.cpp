#include "HospitalTestBed.h"
#include "common/SpreadGrid.h"
#include "common/core/AnsiCodec.h"
#include "db/Connection.h"
#include "db/SqlTrace.h"
#include "db/documents/DocumentStatements.h"
#include "execution/Mz_CKFY.h"
#include "execution/core/ExecutionStatements.h"
#include "output/core/SlipDocument.h"
#include "support/FakeMessageService.h"
#include "support/FakePrintService.h"
#include "support/TestFolder.h"

#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// The texts themselves are pinned by the core test; here only which are sent, and in what order.
const QString kList =
    ExecutionSql::pendingList(HospitalFixture::dept(), HospitalFixture::today(), HospitalFixture::today());
const QString kNumber = ExecutionSql::newestNumberOfDay("FYDH", "MZ_FYDJ", "FYRQ", HospitalFixture::today());

// Opens the window with the statement trace on, runs `steps` on it and gives back every
// statement sent, in order.
QStringList statementsOf(const TestFolder& folder, const std::function<void(Mz_CKFY*)>& steps) {
    const QString trace = folder.file("trace.log");
    qputenv("YJGL_SQL_TRACE", trace.toLocal8Bit());
    QPointer<Mz_CKFY> w = new Mz_CKFY;
    w->show();
    steps(w.data());
    qunsetenv("YJGL_SQL_TRACE");
    delete w.data();
    return HospitalFixture::auditMarked(SqlTrace::readStatements(trace));
}

void clickListRow(Mz_CKFY* w, int row) {
    auto* grid = w->findChild<SpreadGrid*>("fpSpread1");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(row - 1, 0)).center());
}

} // namespace

class ExecutionTraceTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void executionRoadSendsTheseStatements();
    void markingTypedNumberAndInpatientSendTheseStatements();

private:
    std::unique_ptr<HospitalTestBed> m_bed;
};

void ExecutionTraceTest::init() {
    m_bed = std::make_unique<HospitalTestBed>();
    QVERIFY2(m_bed->db.isReady(), qPrintable(m_bed->db.error()));
}

void ExecutionTraceTest::cleanup() {
    m_bed.reset();
}

// Load, refresh, select and execute: every statement the window sends, in order. Only the
// number guard inside the execution is not one of the hospital system's own texts.
void ExecutionTraceTest::executionRoadSendsTheseStatements() {
    TestFolder& folder = m_bed->folder;
    FakeMessageService& messages = m_bed->messages;
    HospitalFixture& db = m_bed->db;
    db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 8),
                     {HospitalFixture::Item{"JY0001", 1, 20, 20}});

    const QStringList statements = statementsOf(folder, [](Mz_CKFY* w) {
        QTest::keyClick(w, Qt::Key_F5);
        clickListRow(w, 1);
        QTest::keyClick(w, Qt::Key_F2);
    });

    QCOMPARE(messages.texts(), (QStringList{"你确认要执行此单据【患者甲】吗?", "执行成功。"}));
    const QStringList expected{
        // load
        ExecutionSql::autoRefreshConfig(),
        kList,
        ExecutionSql::users(),
        kNumber,
        ExecutionSql::executionNumberUsed("202612070001"),
        // F5
        kList,
        // click
        DocumentSql::outpatientHead("2026120700001"),
        kNumber,
        ExecutionSql::executionNumberUsed("202612070001"),
        DocumentSql::items(HospitalFixture::dept(), "2026120700001"),
        // F2: refresh, then the transaction, then the refresh
        kList,
        ExecutionSql::executionNumberUsed("202612070001"),
        ExecutionSql::insertExecution("202612070001", "2026120700001", "张三", "张三",
                                      HospitalFixture::dept(), "患者甲"),
        ExecutionSql::finishExecution("2026120700001", HospitalFixture::dept()),
        // its row: is the trail there, the last row, the new row
        HospitalFixture::auditStatement,
        HospitalFixture::auditStatement,
        HospitalFixture::auditStatement,
        kList,
    };
    QCOMPARE(statements, expected);
}

// With auto-print on: the printed marking of both kinds, a typed number, an inpatient row and
// its refused execution.
void ExecutionTraceTest::markingTypedNumberAndInpatientSendTheseStatements() {
    TestFolder& folder = m_bed->folder;
    FakeMessageService& messages = m_bed->messages;
    HospitalFixture& db = m_bed->db;
    folder.writeBytes("ORVA.ini", AnsiCodec::encode(QStringLiteral("[窗口发药]\r\n自动打印处方=1\r\n")));
    db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 8),
                     {HospitalFixture::Item{"JY0001", 1, 20, 20}});
    db.addInpatient("Z2026120700001", "患者丙", "ZY001", "12床", HospitalFixture::at(0, 9),
                    {HospitalFixture::Item{"JY0001", 1, 20, 20}}, 0);
    // A dispensing number of the day: the newest number is then read twice.
    QVERIFY(
        db.exec("INSERT INTO MZ_FYDJ (FYDH, DH, FYRQ) VALUES ('202612070007','X','2026-12-07 08:00:00')"));

    FakePrintService printer(folder.path());
    printer.printers = {QStringLiteral("检验科打印机")};
    const QStringList statements = statementsOf(folder, [](Mz_CKFY* w) {
        QTest::keyClick(w, Qt::Key_F5);
        w->findChild<QLineEdit*>("CFH")->setText("2026120700001");
        clickListRow(w, 2);
        QTest::keyClick(w, Qt::Key_F2);
    });

    QCOMPARE(messages.texts(), QStringList{"住院单据不在本窗口执行。"});
    const QStringList expected{
        // load: the option is read after the first fill, so nothing is marked yet
        ExecutionSql::autoRefreshConfig(),
        kList,
        ExecutionSql::users(),
        kNumber,
        kNumber,
        ExecutionSql::executionNumberUsed("202612070008"),
        // F5 prints and then marks both, in list order
        kList,
        DocumentSql::outpatientHead("2026120700001"),
        SlipSql::items("2026120700001", HospitalFixture::dept(), false),
        SlipSql::execution("2026120700001", HospitalFixture::dept()),
        // the print's row: is the trail there, the last row, the new row
        HospitalFixture::auditStatement,
        HospitalFixture::auditStatement,
        HospitalFixture::auditStatement,
        ExecutionSql::markPrinted("2026120700001", false),
        DocumentSql::inpatientHead("Z2026120700001"),
        SlipSql::items("Z2026120700001", HospitalFixture::dept(), true),
        SlipSql::execution("Z2026120700001", HospitalFixture::dept()),
        HospitalFixture::auditStatement,
        HospitalFixture::auditStatement,
        ExecutionSql::markPrinted("Z2026120700001", true),
        // typed number
        ExecutionSql::prescriptionLookup("2026120700001", HospitalFixture::dept()),
        DocumentSql::outpatientHead("2026120700001"),
        kNumber,
        kNumber,
        ExecutionSql::executionNumberUsed("202612070008"),
        DocumentSql::items(HospitalFixture::dept(), "2026120700001"),
        // inpatient row: no item statement
        DocumentSql::inpatientHead("Z2026120700001"),
        kNumber,
        kNumber,
        ExecutionSql::executionNumberUsed("202612070008"),
        // F2: the refresh (nothing left to mark), then the refusal; nothing is written
        kList,
    };
    QCOMPARE(statements, expected);
}

QTEST_MAIN(ExecutionTraceTest)
#include "tst_execution_trace.moc"
