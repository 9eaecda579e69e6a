#include "VoidingFixture.h"
#include "common/SpreadGrid.h"
#include "db/SqlTrace.h"
#include "db/documents/DocumentStatements.h"
#include "execution/core/ExecutionStatements.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"
#include "voiding/Frm_CKTY.h"
#include "voiding/core/VoidingStatements.h"

#include <QLineEdit>
#include <QPointer>
#include <QTest>

namespace {

// The texts themselves are pinned by the core test; here only which are sent, and in what order.
const QDate kToday = HospitalFixture::today();
const QString kDept = HospitalFixture::dept();

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
    const QString all = VoidingSql::documentList(kDept, "%", kToday, kToday);
    const QString searched = VoidingSql::documentList(kDept, "张三%", kToday, kToday);
    const QStringList expected{
        // load: today's list, then the list of the search controls
        all,
        all,
        // Enter in the search box: the text cleaned
        searched,
        // click
        DocumentSql::outpatientHead("2026120700001"),
        VoidingSql::items(kDept, "2026120700001"),
        // F2
        VoidingSql::voidRecord("张三", "2026120700001", kDept),
        VoidingSql::returnItems("2026120700001", kDept),
        // its row: is the trail there, the last row, the new row
        HospitalFixture::auditStatement,
        HospitalFixture::auditStatement,
        HospitalFixture::auditStatement,
        searched,
    };
    QCOMPARE(HospitalFixture::auditMarked(SqlTrace::readStatements(trace)), expected);
}

QTEST_MAIN(VoidingTraceTest)
#include "tst_voiding_trace.moc"
