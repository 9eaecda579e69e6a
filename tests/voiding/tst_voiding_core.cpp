#include "VoidingFixture.h"
#include "db/Connection.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"
#include "voiding/core/VoidingLoads.h"
#include "voiding/core/VoidingService.h"
#include "voiding/core/VoidingStatements.h"

#include <QTest>

using Item = HospitalFixture::Item;

class VoidingCoreTest : public QObject {
    Q_OBJECT
private slots:
    void statementTexts();
    void checksBeforeTheQuestion();
    void itemsOfTheDepartmentWithTotal();
    void voidOutcomes();
    void voidWhoseCommitLostTheLinkIsSettledByTheStoredRecord();
};

// The texts the hospital database's other programs expect; the void is narrowed to the
// department's valid record.
void VoidingCoreTest::statementTexts() {
    const QDate d(2026, 12, 7);
    QCOMPARE(VoidingSql::documentList("检验科", "%", d, d.addDays(1)),
             QString("Exec P_MZ_YJTDList '检验科','%','2026-12-07 00:00:00','2026-12-08 23:59:59'"));
    QCOMPARE(VoidingSql::items("检验科", "D1"), QString("Exec Get_YJZFMX '检验科','D1'"));
    QCOMPARE(
        VoidingSql::voidRecord("张三", "D1", "检验科"),
        QString("Update MZ_YJZX Set SFZF=1,ZFR='张三',ZFRQ=Getdate() Where DH='D1' And KSMC='检验科' And "
                "SFZF=0"));
    QCOMPARE(
        VoidingSql::returnItems("D1", "检验科"),
        QString("Update MZ_KFDJMX Set TYBZ=1 From MZ_KFDJMX,YF_YPML Where MZ_KFDJMX.BM=YF_YPML.YPBM AND  "
                "MZ_KFDJMX.DH='D1' And YF_YPML.ZXKS='检验科'"));
    // A quote typed into a value stays a character of the value.
    QCOMPARE(VoidingSql::documentList("检验科", "O'N%", d, d).section(',', 1, 1), QString("'O''N%'"));
}

void VoidingCoreTest::checksBeforeTheQuestion() {
    QCOMPARE(CheckVoid("  ", {"D1"}), VoidRefusal::NothingSelected);
    QCOMPARE(CheckVoid("D2", {"D1"}), VoidRefusal::NotListed);
    QCOMPARE(CheckVoid(" D1 ", {"D0", "D1 "}), VoidRefusal::None);
    QCOMPARE(ConfirmVoidText(" 患者甲 "), QString("确认要作废【患者甲】的单据吗?"));
}

void VoidingCoreTest::itemsOfTheDepartmentWithTotal() {
    TestFolder folder;
    FakeMessageService messages;
    HospitalFixture db(folder);
    QVERIFY2(db.isReady(), qPrintable(db.error()));
    db.addOutpatient(
        "D1", "患者甲", HospitalFixture::at(0, 8),
        {Item{"JY0001", QVariant(), 20, 20}, Item{"JY0006", 3, 8.5, 17.125}, Item{"FS0001", 1, 60, 60}});
    QVERIFY(Executed::record(db, "D1", "检验科", "202612070001", HospitalFixture::at(0, 8, 10)));
    QVector<QStringList> rows;
    double total = 0;
    AppError error;
    QVERIFY(LoadVoidItems("检验科", "D1", &rows, &total, &error));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).first(), QString("1")); // no group reads as 1
    QCOMPARE(rows.at(1), (QStringList{"3", "JY0006", "血糖", "空腹", "次", "1", "8.500", "17.13"}));
    QCOMPARE(total, 37.125);
}

void VoidingCoreTest::voidOutcomes() {
    TestFolder folder;
    FakeMessageService messages;
    HospitalFixture db(folder);
    QVERIFY2(db.isReady(), qPrintable(db.error()));
    db.addOutpatient("D1", "患者甲", HospitalFixture::at(0, 8), {Item{"JY0001", 1, 20, 20}});
    QVERIFY(Executed::record(db, "D1", "检验科", "202612070001", HospitalFixture::at(0, 8, 10)));
    AppError error;
    QCOMPARE(VoidDocument("D1", "放射科", "张三", &error), VoidOutcome::AlreadyVoided); // not its record
    QCOMPARE(VoidDocument("D1", "检验科", "张三", &error), VoidOutcome::Voided);
    QCOMPARE(db.count("from MZ_KFDJMX where TYBZ=1"), 1);
    QCOMPARE(VoidDocument("D1", "检验科", "李四", &error), VoidOutcome::AlreadyVoided);
    QCOMPARE(db.scalar("select ZFR from MZ_YJZX").toString(), QString("张三"));
    QVERIFY(!gConn->inTransaction());
    // One row, for the void that happened; a refusal changed nothing and has none.
    QCOMPARE(db.count("from YJGL_LOG where CZ='作废'"), 1);
    QCOMPARE(db.scalar("select CZY from YJGL_LOG where CZ='作废'").toString(), QString("张三"));
}

void VoidingCoreTest::voidWhoseCommitLostTheLinkIsSettledByTheStoredRecord() {
    TestFolder folder;
    FakeMessageService messages;
    HospitalFixture db(folder);
    QVERIFY2(db.isReady(), qPrintable(db.error()));
    db.addOutpatient("D1", "患者甲", HospitalFixture::at(0, 8), {Item{"JY0001", 1, 20, 20}});
    QVERIFY(Executed::record(db, "D1", "检验科", "202612070001", HospitalFixture::at(0, 8, 10)));
    AppError error;
    QVERIFY(!VoidWasStored("D1", "检验科", "张三", &error)); // still valid
    QVERIFY(!error.isSet());
    QCOMPARE(VoidDocument("D1", "检验科", "张三", &error), VoidOutcome::Voided);
    QVERIFY(VoidWasStored("D1", "检验科", "张三", &error));
    QVERIFY(gConn->isOpen());
    // Voided by another user, or another department's record: not this void.
    QVERIFY(!VoidWasStored("D1", "检验科", "李四", &error));
    QVERIFY(!VoidWasStored("D1", "放射科", "张三", &error));
    // No link to be had: nobody can tell.
    const QString connection = gConn->connectionString();
    gConn->setConnectionString(
        QStringLiteral("Provider=SQLite;Data Source=%1;").arg(folder.file("gone/x.db")));
    QVERIFY(!VoidWasStored("D1", "检验科", "张三", &error));
    QVERIFY(error.isSet());
    gConn->setConnectionString(connection);
    QVERIFY(gConn->open());
}

QTEST_MAIN(VoidingCoreTest)
#include "tst_voiding_core.moc"
