#include "HospitalTestBed.h"
#include "db/Connection.h"
#include "execution/core/ExecutionRules.h"
#include "support/Workstation.h"

#include <QDateTime>
#include <QDir>
#include <QTest>

class ExecutionConcurrencyTest : public QObject {
    Q_OBJECT
private slots:
    void twoWorkstationsOneRecord_data();
    void twoWorkstationsOneRecord();
    void twoClerksConfirmingAtOnce();
};

void ExecutionConcurrencyTest::twoWorkstationsOneRecord_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("the whole attempt") << QString() << "^(LISTED-NOT|LEFT-LIST )";
    // Both passed the list check: the database itself must refuse the second, which is then
    // told that the document left the list.
    QTest::newRow("both past the list check") << "past-list"
                                              << "^LEFT-LIST ";
}

// Two processes on one database file execute the same document at the same moment, five
// times over: each time exactly one execution record, one success, and the other turned away.
void ExecutionConcurrencyTest::twoWorkstationsOneRecord() {
    QFETCH(QString, mode);
    QFETCH(QString, refusal);
    HospitalTestBed bed;
    HospitalFixture& db = bed.db;
    QVERIFY2(db.isReady(), qPrintable(db.error()));
    const QDateTime today = QDateTime(QDate::currentDate(), QTime(0, 0, 1));
    for (int round = 1; round <= 5; ++round)
        db.addOutpatient(QStringLiteral("RACE%1").arg(round), "患者", today,
                         {HospitalFixture::Item{"JY0001", 1, 20, 20}});
    gConn->close();

    for (int round = 1; round <= 5; ++round) {
        const QString dh = QStringLiteral("RACE%1").arg(round);
        const QStringList arguments{db.connectionString(),         dh,
                                    HospitalFixture::dept(),       QStringLiteral("N%1").arg(round),
                                    Workstation::startTimeIn(800), mode};
        const QStringList results =
            Workstation::runTogether(QStringLiteral(EXECUTION_WORKER), {arguments, arguments});
        QCOMPARE(results.size(), 2);
        qInfo("%s", qPrintable(results.join(QStringLiteral(" / "))));
        QCOMPARE(results.filter(QRegularExpression("^OK ")).size(), 1);
        QCOMPARE(results.filter(QRegularExpression(refusal)).size(), 1);

        QVERIFY(gConn->open());
        QCOMPARE(db.count(QStringLiteral("from MZ_YJZX where DH='%1'").arg(dh)), 1);
        gConn->close();
    }
}

// Two windows in two processes confirm the same document in the same moment: one succeeds, the
// other is told the document has left the list, as when another department executed it before.
void ExecutionConcurrencyTest::twoClerksConfirmingAtOnce() {
    HospitalTestBed bed;
    HospitalFixture& db = bed.db;
    QVERIFY2(db.isReady(), qPrintable(db.error()));
    const QString dh = QStringLiteral("2026999900001");
    db.addOutpatient(dh, "患者", QDateTime(QDate::currentDate(), QTime(0, 0, 1)),
                     {HospitalFixture::Item{"JY0001", 1, 20, 20}});
    gConn->close();

    const QString meeting = bed.folder.file(QStringLiteral("meeting"));
    QVERIFY(QDir().mkpath(meeting));
    const QStringList arguments{db.connectionString(), dh, HospitalFixture::dept(), HospitalFixture::user(),
                                meeting};
    QStringList boxes =
        Workstation::runTogether(QStringLiteral(EXECUTION_WINDOW_WORKER), {arguments, arguments});
    QCOMPARE(boxes.size(), 2);
    qInfo("%s", qPrintable(boxes.join(QStringLiteral(" / "))));
    boxes.sort();
    const QString question = QStringLiteral("你确认要执行此单据【患者】吗?");
    QCOMPARE(boxes.filter(QStringLiteral("执行成功。")).size(), 1);
    QCOMPARE(boxes.filter(RefusalText(ExecutionRefusal::NotListed)).size(), 1);
    QVERIFY(boxes.filter(QStringLiteral("错误号")).isEmpty());
    for (const QString& b : boxes)
        QVERIFY2(b.startsWith(question), qPrintable(b)); // both were past the list check

    QVERIFY(gConn->open());
    QCOMPARE(db.count(QStringLiteral("from MZ_YJZX where DH='%1'").arg(dh)), 1);
    gConn->close();
}

QTEST_GUILESS_MAIN(ExecutionConcurrencyTest)
#include "tst_execution_concurrency.moc"
