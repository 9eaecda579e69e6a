#include "HospitalTestBed.h"
#include "common/core/Clock.h"
#include "db/Connection.h"
#include "db/documents/ItemRows.h"
#include "execution/core/DayNumber.h"
#include "execution/core/ExecutionService.h"
#include "execution/core/PendingDocuments.h"
#include "support/FakeMessageService.h"
#include "support/TestEngine.h"
#include "support/TestFolder.h"

#include <QTest>

#include <memory>

namespace {
QString next(AppError* error = nullptr) {
    QString number;
    if (!ProposeNextNo(QStringLiteral("FYDH"), QStringLiteral("MZ_FYDJ"), QStringLiteral("FYRQ"), &number,
                       error))
        return {};
    return number;
}
bool dispensed(HospitalFixture& db, const QString& number, const QString& when) {
    return db.exec(
        QStringLiteral("INSERT INTO MZ_FYDJ (FYDH, DH, FYRQ) VALUES ('%1','X','%2')").arg(number, when));
}
ExecutionRecord record(const QString& zxdh, const QString& dh, const QString& xm = QStringLiteral("患者")) {
    return {zxdh, dh, QStringLiteral("张三"), QStringLiteral("李四"), HospitalFixture::dept(), xm};
}
} // namespace

class ExecutionDbTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void numberStartsAtOneEachDay();
    void numberFollowsTheNewestRowOfTheDay();
    void numberPastNineThousandNineHundredNinetyNine();
    void brokenStoredNumberGivesEmptyAndTheError();
    void executionKeepsAFreeShownNumber();
    void executionReplacesAUsedOrEmptyNumber();
    void quoteInANameIsStoredAsTyped();
    void uniqueIndexCollisionRollsBackEverything();
    void secondExecutionOfADocumentIsRefused();
    void commitInDoubtIsSettledByTheStoredRecord();

    void pendingListKeepsTheResultOrderAndFields();
    void headerOfBothKindsAndOfAMissingDocument();
    void itemsCheckersDepartmentsAndLookup();

private:
    std::unique_ptr<HospitalTestBed> m_bed;
};

void ExecutionDbTest::init() {
    m_bed = std::make_unique<HospitalTestBed>();
    QVERIFY2(m_bed->db.isReady(), qPrintable(m_bed->db.error()));
}

void ExecutionDbTest::cleanup() {
    m_bed.reset();
}

void ExecutionDbTest::numberStartsAtOneEachDay() {
    HospitalFixture& db = m_bed->db;
    FakeMessageService& messages = m_bed->messages;
    QCOMPARE(next(), QStringLiteral("202612070001"));
    // Earlier days never count, however high their id or counter.
    QVERIFY(dispensed(db, "202612069999", "2026-12-06 23:59:59"));
    QVERIFY(dispensed(db, "202612080005", "2026-12-08 00:00:00"));
    QCOMPARE(next(), QStringLiteral("202612070001"));
    QCOMPARE(messages.count(), 0);
}

void ExecutionDbTest::numberFollowsTheNewestRowOfTheDay() {
    HospitalFixture& db = m_bed->db;
    QVERIFY(dispensed(db, "202612070099", "2026-12-07 00:00:00"));
    QCOMPARE(next(), QStringLiteral("202612070100"));
    // The newest row by id decides, not the highest number.
    QVERIFY(dispensed(db, "202612070009", "2026-12-07 23:59:59"));
    QCOMPARE(next(), QStringLiteral("202612070010"));
    QVERIFY(dispensed(db, "202612060999", "2026-12-06 12:00:00"));
    QCOMPARE(next(), QStringLiteral("202612070010"));
    QVERIFY(dispensed(db, "12", "2026-12-07 12:00:00"));
    QCOMPARE(next(), QStringLiteral("202612070013"));
    // Nothing is reserved: asking again gives the same.
    QCOMPARE(next(), QStringLiteral("202612070013"));
}

void ExecutionDbTest::numberPastNineThousandNineHundredNinetyNine() {
    HospitalFixture& db = m_bed->db;
    QVERIFY(dispensed(db, "202612070999", "2026-12-07 08:00:00"));
    QCOMPARE(next(), QStringLiteral("202612071000"));
    QVERIFY(dispensed(db, "202612079999", "2026-12-07 08:00:01"));
    QCOMPARE(next(), QStringLiteral("2026120710000"));
    QVERIFY(dispensed(db, "2026120710000", "2026-12-07 08:00:02"));
    QCOMPARE(next(), QStringLiteral("202612070001"));
}

void ExecutionDbTest::brokenStoredNumberGivesEmptyAndTheError() {
    HospitalFixture& db = m_bed->db;
    FakeMessageService& messages = m_bed->messages;
    QVERIFY(dispensed(db, "20261207-X-Y", "2026-12-07 08:00:00"));
    AppError error;
    QCOMPARE(next(&error), QString());
    QCOMPARE(error.number, 13);

    error.clear();
    QVERIFY(db.exec("DROP TABLE MZ_FYDJ"));
    QCOMPARE(next(&error), QString());
    QVERIFY(error.isSet());
    // The window that shows the number shows the message; the proposal itself shows none.
    QCOMPARE(messages.count(), 0);
}

void ExecutionDbTest::executionKeepsAFreeShownNumber() {
    HospitalFixture& db = m_bed->db;
    db.addOutpatient("D1", "患者", HospitalFixture::at(0, 8), {HospitalFixture::Item{"JY0001", 1, 20, 20}});
    QString stored;
    AppError error;
    QVERIFY2(ExecuteDocument(record("202612070001", "D1"), &stored, &error), qPrintable(error.description));
    QCOMPARE(stored, QStringLiteral("202612070001"));
    QCOMPARE(db.count("from MZ_YJZX where ZXDH='202612070001' and DH='D1' and SFZF=0"), 1);
    QCOMPARE(db.count("from MZ_KFDJMX where DH='D1' and ZXBZ=1"), 1);
    QVERIFY(!gConn->inTransaction());
}

void ExecutionDbTest::executionReplacesAUsedOrEmptyNumber() {
    HospitalFixture& db = m_bed->db;
    for (const char* dh : {"D1", "D2", "D3", "D4"})
        db.addOutpatient(dh, "患者", HospitalFixture::at(0, 8), {HospitalFixture::Item{"JY0001", 1, 20, 20}});
    QVERIFY(dispensed(db, "202612070007", "2026-12-07 08:00:00"));
    QVERIFY(db.exec("INSERT INTO MZ_YJZX (ZXDH, DH, KSMC) VALUES ('202612069999','OLD','检验科')"));
    QString stored;
    AppError error;
    QVERIFY(ExecuteDocument(record("202612070003", "D1"), &stored, &error));
    QCOMPARE(stored, QStringLiteral("202612070003"));
    // Used: the next after the highest of the day in both tables.
    QVERIFY(ExecuteDocument(record("202612070003", "D2"), &stored, &error));
    QCOMPARE(stored, QStringLiteral("202612070008"));
    // Empty (the generator failed): a fresh number, not an empty one.
    QVERIFY(ExecuteDocument(record(QString(), "D3"), &stored, &error));
    QCOMPARE(stored, QStringLiteral("202612070009"));
    QVERIFY(db.exec("INSERT INTO MZ_YJZX (ZXDH, DH, KSMC) VALUES ('2026120710000','BIG','检验科')"));
    QVERIFY(ExecuteDocument(record("202612070009", "D4"), &stored, &error));
    QCOMPARE(stored, QStringLiteral("2026120710001"));
    QCOMPARE(db.count("from MZ_YJZX"), 6);
    QCOMPARE(db.count("from (select distinct ZXDH from MZ_YJZX) T"), 6);
}

void ExecutionDbTest::commitInDoubtIsSettledByTheStoredRecord() {
    HospitalFixture& db = m_bed->db;
    QVERIFY(db.exec("INSERT INTO MZ_YJZX (ZXDH, DH, KSMC) VALUES ('202612070004','D1','检验科')"));
    AppError error;
    QCOMPARE(SettleInDoubtCommit(record("", "D1"), "202612070004", &error), CommitOutcome::Stored);
    QVERIFY(gConn->isOpen());
    // Another number, another department or another document: not this execution.
    QCOMPARE(SettleInDoubtCommit(record("", "D1"), "202612070005", &error), CommitOutcome::NotStored);
    QCOMPARE(SettleInDoubtCommit(record("", "D2"), "202612070004", &error), CommitOutcome::NotStored);
    ExecutionRecord elsewhere = record("", "D1");
    elsewhere.dept = QStringLiteral("放射科");
    QCOMPARE(SettleInDoubtCommit(elsewhere, "202612070004", &error), CommitOutcome::NotStored);
    QCOMPARE(InDoubtCommitText(CommitOutcome::Stored, "D1", "202612070004"),
             QStringLiteral("与数据库的连接在提交时中断，单据D1已经执行，执行单号202612070004。"));
    QCOMPARE(InDoubtCommitText(CommitOutcome::NotStored, "D1", "202612070004"),
             QStringLiteral("与数据库的连接在提交时中断，单据D1没有执行，请重新执行。"));
    // No link to be had: nobody can tell.
    const QString connection = gConn->connectionString();
    gConn->setConnectionString(
        QStringLiteral("Provider=SQLite;Data Source=%1;").arg(m_bed->folder.file("gone.db")));
    QCOMPARE(SettleInDoubtCommit(record("", "D1"), "202612070004", &error), CommitOutcome::Unknown);
    QVERIFY(error.isSet());
    gConn->setConnectionString(connection);
    QVERIFY(gConn->open());
}

void ExecutionDbTest::quoteInANameIsStoredAsTyped() {
    HospitalFixture& db = m_bed->db;
    db.addOutpatient("D1", "O'Brien", HospitalFixture::at(0, 8),
                     {HospitalFixture::Item{"JY0001", 1, 20, 20}});
    QString stored;
    AppError error;
    QVERIFY2(ExecuteDocument(record("202612070001", "D1", "O'Brien"), &stored, &error),
             qPrintable(error.description));
    QCOMPARE(db.scalar("select XM from MZ_YJZX").toString(), QStringLiteral("O'Brien"));
}

void ExecutionDbTest::uniqueIndexCollisionRollsBackEverything() {
    HospitalFixture& db = m_bed->db;
    db.addOutpatient("D1", "患者", HospitalFixture::at(0, 8), {HospitalFixture::Item{"JY0001", 1, 20, 20}});
    // Another workstation stores the same number between the check and the insert.
    if (TestEngine::onPostgres())
        QVERIFY(db.exec(
            "CREATE FUNCTION collide() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
            "INSERT INTO MZ_YJZX (ZXDH, DH, KSMC) VALUES (NEW.ZXDH, 'OTHER', '检验科'); RETURN NEW; END $$;\n"
            "CREATE TRIGGER collide BEFORE INSERT ON MZ_YJZX FOR EACH ROW WHEN (NEW.DH='D1') "
            "EXECUTE FUNCTION collide()"));
    else
        QVERIFY(db.exec("CREATE TRIGGER collide BEFORE INSERT ON MZ_YJZX WHEN NEW.DH='D1' BEGIN "
                        "INSERT INTO MZ_YJZX (ZXDH, DH, KSMC) VALUES (NEW.ZXDH, 'OTHER', '检验科'); END"));
    QString stored = QStringLiteral("untouched");
    AppError error;
    QVERIFY(!ExecuteDocument(record("202612070001", "D1"), &stored, &error));
    QVERIFY(error.isSet());
    QCOMPARE(stored, QStringLiteral("untouched"));
    QCOMPARE(db.count("from MZ_YJZX"), 0);
    QCOMPARE(db.count("from MZ_KFDJMX where ZXBZ=1"), 0);
    QVERIFY(!gConn->inTransaction());
}

void ExecutionDbTest::secondExecutionOfADocumentIsRefused() {
    HospitalFixture& db = m_bed->db;
    db.addOutpatient("D1", "患者", HospitalFixture::at(0, 8), {HospitalFixture::Item{"JY0001", 1, 20, 20}});
    QString stored;
    AppError error;
    QVERIFY(ExecuteDocument(record("202612070001", "D1"), &stored, &error));
    QVERIFY(!ExecuteDocument(record("202612070002", "D1"), &stored, &error));
    QVERIFY(error.description.contains(QStringLiteral("D1")));
    QCOMPARE(db.count("from MZ_YJZX where DH='D1'"), 1);
    QVERIFY(!gConn->inTransaction());
    // The execution has its row; the refused one its own after the rollback.
    QCOMPARE(db.count("from YJGL_LOG where DH='D1' and CZ='执行'"), 1);
    QCOMPARE(db.count("from YJGL_LOG where DH='D1' and CZ='执行失败' and XQ like '%202612070002%'"), 1);
}

void ExecutionDbTest::pendingListKeepsTheResultOrderAndFields() {
    HospitalFixture& db = m_bed->db;
    db.addOutpatient("D2", "患者乙", HospitalFixture::at(0, 9), {HospitalFixture::Item{"JY0001", 1, 20, 20}},
                     0);
    db.addInpatient("Z1", "患者丙", "ZY1", "1床", HospitalFixture::at(0, 7),
                    {HospitalFixture::Item{"JY0001", 1, 20, 20}});
    QVector<PendingDocument> rows;
    AppError error;
    QVERIFY(LoadPendingList(HospitalFixture::dept(), HospitalFixture::today(), HospitalFixture::today(),
                            &rows, &error));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).dh, QStringLiteral("Z1"));
    QCOMPARE(rows.at(0).lx, QStringLiteral("住院"));
    QVERIFY(rows.at(0).isPrint.isNull());
    QCOMPARE(rows.at(1).xm, QStringLiteral("患者乙"));
    QCOMPARE(rows.at(1).isPrint.toInt(), 0);
    QVERIFY(!AutoRefreshConfiguredOff());
    QVERIFY(db.exec("DROP TABLE QKZL_CONFIG"));
    QVERIFY(AutoRefreshConfiguredOff()); // unreadable counts as off
    QVERIFY(db.exec(TestEngine::onPostgres() ? "DROP FUNCTION YJ_List"
                                             : "DELETE FROM sys_procedures WHERE name='YJ_List'"));
    QVERIFY(!LoadPendingList(HospitalFixture::dept(), HospitalFixture::today(), HospitalFixture::today(),
                             &rows, &error));
    QVERIFY(error.description.contains(QStringLiteral("YJ_List")));
}

void ExecutionDbTest::headerOfBothKindsAndOfAMissingDocument() {
    HospitalFixture& db = m_bed->db;
    db.addOutpatient("D1", "患者甲", HospitalFixture::at(0, 8), {});
    db.addInpatient("Z1", "患者丙", "ZY1", "1床", HospitalFixture::at(0, 7), {});
    DocumentHeader header;
    AppError error;
    QCOMPARE(LoadDocumentHeader("D1", false, &header, &error), HeaderLoad::Loaded);
    QCOMPARE(header.xm, QStringLiteral("患者甲"));
    QCOMPARE(header.nl, QStringLiteral("35岁"));
    QVERIFY(header.zyh.isEmpty());
    QCOMPARE(LoadDocumentHeader("Z1", true, &header, &error), HeaderLoad::Loaded);
    QCOMPARE(header.zyh, QStringLiteral("ZY1"));
    QCOMPARE(header.cwh, QStringLiteral("1床"));
    QVERIFY(header.nl.isEmpty());
    QVERIFY(header.kdsj.startsWith(QStringLiteral("2026-12-07")));
    QCOMPARE(LoadDocumentHeader("NONE", false, &header, &error), HeaderLoad::NoRow);
    QCOMPARE(error.number, 3021);
    QVERIFY(db.exec("DROP TABLE ZY_KFDJMX"));
    QVERIFY(db.exec("DROP TABLE ZY_KFDJ"));
    error.clear();
    QCOMPARE(LoadDocumentHeader("Z1", true, &header, &error), HeaderLoad::Failed);
    QVERIFY(error.isSet());
}

void ExecutionDbTest::itemsCheckersDepartmentsAndLookup() {
    HospitalFixture& db = m_bed->db;
    db.addOutpatient(
        "2026120700001", "患者甲", HospitalFixture::at(0, 8),
        {HospitalFixture::Item{"JY0001", 1, 2.5, 1240}, HospitalFixture::Item{"JY0006", 2, 1, 0.5}});
    QVector<QStringList> rows;
    double total = 0;
    AppError error;
    QVERIFY(ItemRows::Load(HospitalFixture::dept(), "2026120700001", &rows, &total, &error));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).at(ItemRows::kAmountColumn - 1), QStringLiteral("1240.00"));
    QCOMPARE(total, 1240.5);

    QStringList names;
    QVERIFY(LoadCheckerNames(&names, &error));
    QCOMPARE(names.size(), db.count("from userdb"));
    QVERIFY(names.size() > 1);
    QVERIFY(LoadDepartmentNames(&names, &error));
    QVERIFY(names.contains(HospitalFixture::dept()));

    bool found = false;
    QVERIFY(FindPrescription("2026120700001", HospitalFixture::dept(), &found, &error));
    QVERIFY(found);
    QVERIFY(FindPrescription("2026120799999", HospitalFixture::dept(), &found, &error));
    QVERIFY(!found);
}

QTEST_APPLESS_MAIN(ExecutionDbTest)
#include "tst_execution_db.moc"
