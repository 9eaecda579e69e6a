// A workstation killed (SIGKILL) at each step of a void: the database keeps the whole void or
// none of it, and the next void works.
#include "HospitalTestBed.h"
#include "VoidingFixture.h"
#include "db/Connection.h"
#include "support/Workstation.h"

#include <QTest>

class VoidingCrashTest : public QObject {
    Q_OBJECT
private slots:
    void killedVoidKeepsAllOrNothing_data();
    void killedVoidKeepsAllOrNothing();

private:
    // The worker's output line, or "KILLED" when it died at the step.
    QString voidDocument(const HospitalFixture& db, const QString& dh, const QString& crashAt);
};

QString VoidingCrashTest::voidDocument(const HospitalFixture& db, const QString& dh, const QString& crashAt) {
    return Workstation::run(QStringLiteral(VOIDING_WORKER),
                            {db.connectionString(), dh, HospitalFixture::dept(), HospitalFixture::user(),
                             Workstation::startTimeIn(0)},
                            crashAt);
}

void VoidingCrashTest::killedVoidKeepsAllOrNothing_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<bool>("kept");
    QTest::newRow("transaction begun") << "void:begun" << false;
    QTest::newRow("record voided") << "void:record" << false;
    QTest::newRow("items returned") << "void:items" << false;
    QTest::newRow("committed") << "void:committed" << true;
}

void VoidingCrashTest::killedVoidKeepsAllOrNothing() {
    QFETCH(QString, step);
    QFETCH(bool, kept);
    HospitalTestBed bed;
    HospitalFixture& db = bed.db;
    QVERIFY2(db.isReady(), qPrintable(db.error()));
    for (const char* dh : {"CRASH", "NEXT"}) {
        db.addOutpatient(QString::fromLatin1(dh), "患者", HospitalFixture::at(0, 8),
                         {HospitalFixture::Item{"JY0001", 1, 20, 20}});
        QVERIFY(Executed::record(db, QString::fromLatin1(dh), HospitalFixture::dept(),
                                 QStringLiteral("Z%1").arg(QString::fromLatin1(dh)),
                                 HospitalFixture::at(0, 9)));
    }
    gConn->close();

    QCOMPARE(voidDocument(db, "CRASH", step), QStringLiteral("KILLED"));

    QVERIFY(gConn->open());
    QCOMPARE(db.scalar("pragma integrity_check").toString(), QStringLiteral("ok"));
    QCOMPARE(db.count("from MZ_YJZX where DH='CRASH' and SFZF=1"), kept ? 1 : 0);
    QCOMPARE(db.count("from MZ_KFDJMX where DH='CRASH' and TYBZ=1"), kept ? 1 : 0);
    gConn->close();

    QCOMPARE(voidDocument(db, "NEXT", {}), QStringLiteral("OK"));
    if (!kept)
        QCOMPARE(voidDocument(db, "CRASH", {}), QStringLiteral("OK"));
    QVERIFY(gConn->open());
    QCOMPARE(db.count("from MZ_YJZX where DH in ('CRASH','NEXT') and SFZF=1"), 2);
}

QTEST_GUILESS_MAIN(VoidingCrashTest)
#include "tst_voiding_crash.moc"
