#include "HospitalFixture.h"
#include "common/SpreadGrid.h"
#include "db/SqlTrace.h"
#include "db/documents/DocumentStatements.h"
#include "queries/Frm_FYCX.h"
#include "queries/Frm_TYCX.h"
#include "queries/core/QueryStatements.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace {

// The texts themselves are pinned by the core test; here only which are sent, and in what order.
const QDate kToday = HospitalFixture::today();
const QString kDept = HospitalFixture::dept();

// Opens the window with the statement trace on, runs `steps` on it and gives back every
// statement sent, in order.
QStringList statementsOf(const TestFolder& folder, const std::function<RecordQueryWindow*()>& make,
                         const std::function<void(RecordQueryWindow*)>& steps) {
    const QString trace = folder.file("trace.log");
    QFile::remove(trace);
    qputenv("YJGL_SQL_TRACE", trace.toLocal8Bit());
    RecordQueryWindow* w = make();
    w->show();
    steps(w);
    qunsetenv("YJGL_SQL_TRACE");
    delete w;
    return SqlTrace::readStatements(trace);
}

void query(RecordQueryWindow* w) {
    w->findChild<QPushButton*>("Command3")->click();
}

void clickRow(RecordQueryWindow* w, int row) {
    auto* grid = w->findChild<SpreadGrid*>("fpSpread1");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(row - 1, 0)).center());
}

} // namespace

class QueryTraceTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void executedQuerySendsTheseStatements();
    void voidedQuerySendsTheseStatements();

private:
    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<FakeMessageService> m_messages;
    std::unique_ptr<HospitalFixture> m_db;
};

void QueryTraceTest::init() {
    m_folder = std::make_unique<TestFolder>();
    m_messages = std::make_unique<FakeMessageService>();
    m_db = std::make_unique<HospitalFixture>(*m_folder);
    QVERIFY2(m_db->isReady(), qPrintable(m_db->error()));
    QVERIFY(m_db->exec(
        "INSERT INTO MZ_YJZX (ZXDH, DH, ZXR, FHR, KSMC, XM, ZXSJ, SFZF, ZFR, ZFRQ) VALUES "
        "('202612070001','1202612070001','张三','李四','检验科','患者甲','2026-12-07 08:00:00',0,NULL,NULL),"
        "('202612070002','1202612070002','张三','李四','检验科','患者乙','2026-12-07 08:10:00',1,'李四',"
        "'2026-12-07 09:00:00')"));
}

void QueryTraceTest::cleanup() {
    m_db.reset();
    m_messages.reset();
    m_folder.reset();
}

// Load, both query modes and a click: "全部" and an empty box match everybody; a number with
// blanks runs the number statement and ignores the dates, even reversed ones.
void QueryTraceTest::executedQuerySendsTheseStatements() {
    const QStringList statements = statementsOf(
        *m_folder, [] { return new Frm_FYCX; },
        [](RecordQueryWindow* w) {
            w->findChild<QDateEdit*>("S_D")->setDate(QDate(2026, 12, 1));
            w->findChild<QComboBox*>("Combo2")->setEditText(QString());
            query(w);
            clickRow(w, 1);
            w->findChild<QComboBox*>("Combo1")->setEditText("张三");
            w->findChild<QDateEdit*>("S_D")->setDate(QDate(2026, 12, 9));
            w->findChild<QLineEdit*>("DH")->setText("  12 ");
            query(w);
        });
    QCOMPARE(m_messages->count(), 0);
    const QStringList expected{
        QuerySql::users(),
        QuerySql::executedByDate(kDept, "%", "%", QDate(2026, 12, 1), kToday),
        DocumentSql::departmentItems(kDept, "1202612070001"),
        QuerySql::executedByNumber(kDept, "12"),
    };
    QCOMPARE(statements, expected);
}

void QueryTraceTest::voidedQuerySendsTheseStatements() {
    const QStringList statements = statementsOf(
        *m_folder, [] { return new Frm_TYCX; },
        [](RecordQueryWindow* w) {
            query(w);
            clickRow(w, 1);
            w->findChild<QComboBox*>("Combo1")->setEditText("李四");
            query(w);
        });
    QCOMPARE(m_messages->count(), 0);
    const QStringList expected{
        QuerySql::users(),
        QuerySql::voidedByDate(kDept, "%", kToday, kToday),
        DocumentSql::departmentItems(kDept, "1202612070002"),
        QuerySql::voidedByDate(kDept, "李四", kToday, kToday),
    };
    QCOMPARE(statements, expected);
}

QTEST_MAIN(QueryTraceTest)
#include "tst_query_trace.moc"
