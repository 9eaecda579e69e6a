#include "HospitalTestBed.h"
#include "VoidingFixture.h"
#include "db/Connection.h"
#include "support/Workstation.h"

#include <QRegularExpression>
#include <QTest>

class VoidingConcurrencyTest : public QObject {
    Q_OBJECT
private slots:
    void twoWorkstationsOneVoid_data();
    void twoWorkstationsOneVoid();
};

void VoidingConcurrencyTest::twoWorkstationsOneVoid_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("refusal");
    // Both refusals end in the message that the document may just have been voided.
    QTest::newRow("the whole attempt") << QString() << "^(LISTED-NOT|ALREADY)$";
    // Both passed the list check: the database itself must turn the second away.
    QTest::newRow("both past the list check") << "past-list"
                                              << "^ALREADY$";
}

// Two processes on one database file void the same document at the same moment, five times
// over: each time one void by its user, one refusal, and nothing half-written.
void VoidingConcurrencyTest::twoWorkstationsOneVoid() {
    QFETCH(QString, mode);
    QFETCH(QString, refusal);
    HospitalTestBed bed;
    HospitalFixture& db = bed.db;
    QVERIFY2(db.isReady(), qPrintable(db.error()));
    for (int round = 1; round <= 5; ++round) {
        const QString dh = QStringLiteral("RACE%1").arg(round);
        db.addOutpatient(
            dh, "患者", HospitalFixture::at(0, 8),
            {HospitalFixture::Item{"JY0001", 1, 20, 20}, HospitalFixture::Item{"JY0002", 1, 15, 15}});
        QVERIFY(Executed::record(db, dh, HospitalFixture::dept(),
                                 QStringLiteral("2026120700%1").arg(round, 2, 10, QChar('0')),
                                 HospitalFixture::at(0, 8, round)));
    }
    gConn->close();

    for (int round = 1; round <= 5; ++round) {
        const QString dh = QStringLiteral("RACE%1").arg(round);
        const QString start = Workstation::startTimeIn(800);
        const QStringList results = Workstation::runTogether(
            VOIDING_WORKER, {{db.connectionString(), dh, HospitalFixture::dept(), "甲", start, mode},
                             {db.connectionString(), dh, HospitalFixture::dept(), "乙", start, mode}});
        QCOMPARE(results.size(), 2);
        qInfo("%s", qPrintable(results.join(QStringLiteral(" / "))));
        QCOMPARE(results.filter(QRegularExpression("^OK$")).size(), 1);
        QCOMPARE(results.filter(QRegularExpression(refusal)).size(), 1);

        QVERIFY(gConn->open());
        const QString winner = results.first() == "OK" ? "甲" : "乙";
        QCOMPARE(db.scalar(QStringLiteral("select SFZF||ZFR from MZ_YJZX where DH='%1'").arg(dh)).toString(),
                 "1" + winner);
        QCOMPARE(db.count(QStringLiteral("from MZ_KFDJMX where DH='%1' and TYBZ=1").arg(dh)), 2);
        gConn->close();
    }
}

QTEST_GUILESS_MAIN(VoidingConcurrencyTest)
#include "tst_voiding_concurrency.moc"
