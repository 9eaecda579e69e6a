#include "HospitalFixture.h"
#include "common/SpreadGrid.h"
#include "common/core/AnsiCodec.h"
#include "db/Connection.h"
#include "db/SqlTrace.h"
#include "execution/Mz_CKFY.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"

#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <functional>

namespace {

const QString kList = "exec YJ_List '检验科','2026-12-07 00:00:00','2026-12-07 23:59:59'";
const QString kNumber = "select top 1 FYDH From MZ_FYDJ Where FYRQ Between '2026-12-07 00:00:00' and "
                        "'2026-12-07 23:59:59' order by id desc";

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
    return SqlTrace::readStatements(trace);
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
    void executionRoadSendsTheseStatements();
    void markingTypedNumberAndInpatientSendTheseStatements();
};

// Load, refresh, select and execute: every statement the window sends, in order. Only the
// number guard inside the execution is not one of the hospital system's own texts.
void ExecutionTraceTest::executionRoadSendsTheseStatements() {
    TestFolder folder;
    FakeMessageService messages;
    HospitalFixture db(folder);
    QVERIFY2(db.isReady(), qPrintable(db.error()));
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
        "select Item_Value from QKZL_CONFIG Where Item_Name Like'ZDFY'",
        kList,
        "select * from userdb",
        kNumber,
        // F5
        kList,
        // click
        "select TS,NL,XM,XB,KDYS,KDRQ from mz_kfdj Where DH like'2026120700001'",
        kNumber,
        "Exec Get_YJMX '检验科','2026120700001'",
        // F2: refresh, then the transaction, then the refresh
        kList,
        "select ZXDH From MZ_YJZX Where ZXDH='202612070001'",
        "Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM) "
        "Values('202612070001','2026120700001','张三','张三','检验科',"
        "'患者甲')",
        "Exec P_YJZX '2026120700001','检验科'",
        kList,
    };
    QCOMPARE(statements, expected);
}

// With auto-print on: the printed marking of both kinds, a typed number, an inpatient row and
// its refused execution.
void ExecutionTraceTest::markingTypedNumberAndInpatientSendTheseStatements() {
    TestFolder folder;
    FakeMessageService messages;
    HospitalFixture db(folder);
    QVERIFY2(db.isReady(), qPrintable(db.error()));
    folder.writeBytes("ORVA.ini", AnsiCodec::encode(QStringLiteral("[窗口发药]\r\n自动打印处方=1\r\n")));
    db.addOutpatient("2026120700001", "患者甲", HospitalFixture::at(0, 8),
                     {HospitalFixture::Item{"JY0001", 1, 20, 20}});
    db.addInpatient("Z2026120700001", "患者丙", "ZY001", "12床", HospitalFixture::at(0, 9),
                    {HospitalFixture::Item{"JY0001", 1, 20, 20}}, 0);
    // A dispensing number of the day: the newest number is then read twice.
    QVERIFY(
        db.exec("INSERT INTO MZ_FYDJ (FYDH, DH, FYRQ) VALUES ('202612070007','X','2026-12-07 08:00:00')"));

    const QStringList statements = statementsOf(folder, [](Mz_CKFY* w) {
        QTest::keyClick(w, Qt::Key_F5);
        w->findChild<QLineEdit*>("CFH")->setText("2026120700001");
        clickListRow(w, 2);
        QTest::keyClick(w, Qt::Key_F2);
    });

    QCOMPARE(messages.texts(), (QStringList{"你确认要执行此单据【患者丙】吗?", "住院单据不在本窗口执行。"}));
    const QStringList expected{
        // load: the option is read after the first fill, so nothing is marked yet
        "select Item_Value from QKZL_CONFIG Where Item_Name Like'ZDFY'",
        kList,
        "select * from userdb",
        kNumber,
        kNumber,
        // F5 marks both, in list order
        kList,
        "Update Mz_KFDJ SET Isprint=1 Where DH Like'2026120700001'",
        "Update ZY_KFDJ SET Isprint=1 Where DH Like'Z2026120700001'",
        // typed number
        "Exec SP_MZ_CF '2026120700001','检验科'",
        "select TS,NL,XM,XB,KDYS,KDRQ from mz_kfdj Where DH like'2026120700001'",
        kNumber,
        kNumber,
        "Exec Get_YJMX '检验科','2026120700001'",
        // inpatient row: no item statement
        "Select XM,XB,KDYS,KDRQ,ZYH,CWH from ZY_KFDJ Where DH Like'Z2026120700001'",
        kNumber,
        kNumber,
        // F2: the refresh (nothing left to mark), then the refusal; nothing is written
        kList,
    };
    QCOMPARE(statements, expected);
}

QTEST_MAIN(ExecutionTraceTest)
#include "tst_execution_trace.moc"
