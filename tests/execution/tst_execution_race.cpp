// Eight workstations of two departments go through the same documents at the same moment,
// executing all and then voiding half of them: every document is executed exactly once per
// department, with numbers that never repeat, every execution a workstation was told of is
// stored, every void happens once and marks its department's record and items, and the audit
// trail holds one unbroken chain with a row for each of them.
#include "HospitalFixture.h"
#include "db/Connection.h"
#include "db/audit/AuditTrail.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"
#include "support/Workstation.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>

class ExecutionRaceTest : public QObject {
    Q_OBJECT
private slots:
    void eightWorkstationsExecuteEachDocumentOncePerDepartment();
};

void ExecutionRaceTest::eightWorkstationsExecuteEachDocumentOncePerDepartment() {
    constexpr int Documents = 12;
    constexpr int Workstations = 8;
    const QStringList departments{QStringLiteral("检验科"), QStringLiteral("放射科")};
    TestFolder folder;
    FakeMessageService messages;
    HospitalFixture db(folder);
    QVERIFY2(db.isReady(), qPrintable(db.error()));
    // The workstations run on the computer's clock.
    const QDateTime written(QDate::currentDate(), QTime(0, 0, 1));
    QStringList documents;
    QStringList voided; // every other document
    for (int d = 1; d <= Documents; ++d) {
        documents << QStringLiteral("RACE%1").arg(d, 2, 10, QLatin1Char('0'));
        if (d % 2 == 0)
            voided << documents.last();
        db.addOutpatient(
            documents.last(), "患者", written,
            {HospitalFixture::Item{"JY0001", 1, 20, 20}, HospitalFixture::Item{"FS0001", 1, 60, 60}});
    }
    gConn->close();

    // Each workstation starts at another document, so that they meet all the time.
    const QString start = Workstation::startTimeIn(1500);
    QList<QStringList> argumentLists;
    for (int w = 0; w < Workstations; ++w) {
        QStringList order = documents;
        std::rotate(order.begin(), order.begin() + (w * 3) % Documents, order.end());
        argumentLists << QStringList{db.connectionString(), departments.at(w % 2), start,
                                     order.join(QLatin1Char(',')), voided.join(QLatin1Char(','))};
    }
    const QStringList outputs = Workstation::runTogether(QStringLiteral(RACE_WORKER), argumentLists, 120000);
    QCOMPARE(outputs.size(), Workstations);
    QMap<QString, int> told; // "DH/department" -> OK lines
    QStringList numbers;
    int refused = 0;
    QMap<QString, int> voids; // "DH/department" -> VOIDED lines
    for (int w = 0; w < Workstations; ++w) {
        for (const QString& line : outputs.at(w).split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList parts = line.split(u' ');
            if (parts.first() == u"OK") {
                ++told[parts.at(1) + u'/' + departments.at(w % 2)];
                numbers << parts.at(2);
            } else if (parts.first() == u"VOIDED") {
                ++voids[parts.at(1) + u'/' + departments.at(w % 2)];
            } else if (parts.first() == u"VOIDFAIL") {
                QFAIL(qPrintable(line));
            } else if (parts.first() == u"FAIL") {
                // The only refusal: the department has executed the document meanwhile.
                QVERIFY2(line.contains(QStringLiteral("已没有待执行的项目")), qPrintable(line));
                ++refused;
            }
        }
    }
    qInfo("%d executions, %d refused by the database", int(numbers.size()), refused);
    QCOMPARE(told.size(), Documents * departments.size());
    for (auto it = told.cbegin(); it != told.cend(); ++it)
        QVERIFY2(it.value() == 1, qPrintable(it.key()));

    QVERIFY(gConn->open());
    QCOMPARE(db.count("from MZ_YJZX"), Documents * int(departments.size()));
    QCOMPARE(db.count("from (select DH, KSMC from MZ_YJZX group by DH, KSMC) T"),
             Documents * int(departments.size()));
    QCOMPARE(db.count("from MZ_KFDJMX where ZXBZ=0"), 0);
    QCOMPARE(voids.size(), int(voided.size() * departments.size()));
    for (auto it = voids.cbegin(); it != voids.cend(); ++it)
        QVERIFY2(it.value() == 1, qPrintable(it.key()));
    QCOMPARE(db.count("from MZ_YJZX where SFZF=1"), int(voided.size() * departments.size()));
    QCOMPARE(db.count("from MZ_YJZX where SFZF=1 and DH in ('" + voided.join("','") + "')"),
             int(voided.size() * departments.size()));
    QCOMPARE(db.count("from MZ_KFDJMX where TYBZ=1"), int(voided.size() * departments.size()));
    numbers.sort();
    QStringList stored;
    RecordsetPtr rs = gConn->execute("select ZXDH from MZ_YJZX order by ZXDH");
    QVERIFY(rs);
    for (const auto& row : rs->rows())
        stored << Recordset::asText(row.value(0));
    QCOMPARE(stored, numbers);
    QCOMPARE(QSet<QString>(numbers.begin(), numbers.end()).size(), numbers.size());

    // Every execution and void has its row, and the eight writers left one unbroken chain.
    QCOMPARE(db.count("from YJGL_LOG where CZ='" + AuditAction::Execute + "'"), int(numbers.size()));
    QCOMPARE(db.count("from YJGL_LOG where CZ='" + AuditAction::Void + "'"), int(voids.size()));
    AuditChain::Walker walker;
    AppError error;
    QVERIFY2(AuditTrail::walk(&walker, &error), qPrintable(error.description));
    QVERIFY2(walker.fault() == AuditChain::Fault::None, qPrintable(walker.message()));
    QCOMPARE(walker.rows(), qint64(db.count("from YJGL_LOG")));
}

QTEST_GUILESS_MAIN(ExecutionRaceTest)
#include "tst_execution_race.moc"
