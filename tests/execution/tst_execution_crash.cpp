// A workstation killed (SIGKILL) at each step of an execution: the database keeps the whole
// execution or none of it, and the next execution works.
#include "HospitalTestBed.h"
#include "db/Connection.h"
#include "support/Workstation.h"

#include <QDateTime>
#include <QTest>

class ExecutionCrashTest : public QObject {
    Q_OBJECT
private slots:
    void killedExecutionKeepsAllOrNothing_data();
    void killedExecutionKeepsAllOrNothing();

private:
    // Runs the worker for one document; "" for no crash point. The worker's output line, or
    // "KILLED" when it died at the step.
    QString execute(const HospitalFixture& db, const QString& dh, const QString& crashAt);
};

QString ExecutionCrashTest::execute(const HospitalFixture& db, const QString& dh, const QString& crashAt) {
    return Workstation::run(
        QStringLiteral(EXECUTION_WORKER),
        {db.connectionString(), dh, HospitalFixture::dept(), QString(), Workstation::startTimeIn(0)},
        crashAt);
}

void ExecutionCrashTest::killedExecutionKeepsAllOrNothing_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<bool>("kept");
    QTest::newRow("transaction begun") << "execution:begun" << false;
    QTest::newRow("record inserted") << "execution:inserted" << false;
    QTest::newRow("procedure run") << "execution:finished" << false;
    QTest::newRow("committed") << "execution:committed" << true;
}

void ExecutionCrashTest::killedExecutionKeepsAllOrNothing() {
    QFETCH(QString, step);
    QFETCH(bool, kept);
    HospitalTestBed bed;
    HospitalFixture& db = bed.db;
    QVERIFY2(db.isReady(), qPrintable(db.error()));
    const QDateTime today(QDate::currentDate(), QTime(0, 0, 1));
    for (const char* dh : {"CRASH", "NEXT"})
        db.addOutpatient(QString::fromLatin1(dh), "患者", today,
                         {HospitalFixture::Item{"JY0001", 1, 20, 20}});
    gConn->close();

    QCOMPARE(execute(db, "CRASH", step), QStringLiteral("KILLED"));

    QVERIFY(gConn->open());
    QCOMPARE(db.scalar("pragma integrity_check").toString(), QStringLiteral("ok"));
    QCOMPARE(db.count("from MZ_YJZX where DH='CRASH'"), kept ? 1 : 0);
    QCOMPARE(db.count("from MZ_KFDJMX where DH='CRASH' and ZXBZ=1"), kept ? 1 : 0);
    gConn->close();

    QVERIFY(execute(db, "NEXT", {}).startsWith(QStringLiteral("OK ")));
    if (!kept)
        QVERIFY(execute(db, "CRASH", {}).startsWith(QStringLiteral("OK ")));
    QVERIFY(gConn->open());
    QCOMPARE(db.count("from MZ_YJZX where DH in ('CRASH','NEXT')"), 2);
}

QTEST_GUILESS_MAIN(ExecutionCrashTest)
#include "tst_execution_crash.moc"
