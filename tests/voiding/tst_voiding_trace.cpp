#include "VoidingFixture.h"
#include "common/SpreadGrid.h"
#include "db/SqlTrace.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"
#include "voiding/Frm_CKTY.h"

#include <QLineEdit>
#include <QPointer>
#include <QTest>

namespace {

const QString kToday = "Exec P_MZ_YJTDList '检验科','%','2026-12-07 00:00:00','2026-12-07 23:59:59'";

} // namespace

class VoidingTraceTest : public QObject {
    Q_OBJECT
private slots:
    void voidingRoadSendsTheseStatements();
};

// Load, search, select and void: every statement the window sends, in order.
void VoidingTraceTest::voidingRoadSendsTheseStatements() {
    TestFolder folder;
    FakeMessageService messages;
    HospitalFixture db(folder);
    QVERIFY2(db.isReady(), qPrintable(db.error()));
    db.addOutpatient("2026120700001", "张三丰", HospitalFixture::at(0, 8),
                     {HospitalFixture::Item{"JY0001", 1, 20, 20}});
    QVERIFY(Executed::record(db, "2026120700001", "检验科", "202612070001", HospitalFixture::at(0, 8, 30)));

    const QString trace = folder.file("trace.log");
    qputenv("YJGL_SQL_TRACE", trace.toLocal8Bit());
    QPointer<Frm_CKTY> w = new Frm_CKTY;
    w->show();
    auto* search = w->findChild<QLineEdit*>("Txt_Search");
    search->setText(" 张'三 ");
    QTest::keyClick(search, Qt::Key_Return);
    auto* grid = w->findChild<SpreadGrid*>("fpSpread1");
    QCOMPARE(grid->maxRows(), 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(0, 0)).center());
    QTest::keyClick(w, Qt::Key_F2);
    qunsetenv("YJGL_SQL_TRACE");
    delete w.data();

    QCOMPARE(messages.texts(), (QStringList{"确认要作废【张三丰】的单据吗?", "操作成功！"}));
    const QString searched =
        "Exec P_MZ_YJTDList '检验科','张三%','2026-12-07 00:00:00','2026-12-07 23:59:59'";
    const QStringList expected{
        // load: today's list, then the list of the search controls
        kToday,
        kToday,
        // Enter in the search box
        searched,
        // click
        "select TS,NL,XM,XB,KDYS,KDRQ from mz_kfdj Where DH like'2026120700001'",
        "Exec Get_YJZFMX '检验科','2026120700001'",
        // F2: only this department's valid record is voided
        "Update MZ_YJZX Set SFZF=1,ZFR='张三',ZFRQ=Getdate() Where DH='2026120700001' And KSMC='检验科' "
        "And SFZF=0",
        "Update MZ_KFDJMX Set TYBZ=1 From MZ_KFDJMX,YF_YPML Where MZ_KFDJMX.BM=YF_YPML.YPBM AND  "
        "MZ_KFDJMX.DH='2026120700001' And YF_YPML.ZXKS='检验科'",
        searched,
    };
    QCOMPARE(SqlTrace::readStatements(trace), expected);
}

QTEST_MAIN(VoidingTraceTest)
#include "tst_voiding_trace.moc"
