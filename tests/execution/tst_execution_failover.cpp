// Eight workstations of two departments execute and void while the primary server is stopped
// at once and its synchronous standby promoted, three times over the run; in between the old
// primary rejoins as the new standby. Every workstation sees the lost link once per failover and
// is back within 15 s of the promotion, every execution it was told of is stored exactly once
// with a number that never repeats, every void it was told of happened once, and nothing fails
// in any other way.
#include "HospitalFixture.h"
#include "db/Connection.h"
#include "support/FakeMessageService.h"
#include "support/PostgresPair.h"
#include "support/TestFolder.h"
#include "support/Workstation.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

qint64 now() {
    return QDateTime::currentMSecsSinceEpoch();
}

struct Failover {
    qint64 stopped = 0;   // the primary was stopped after this moment
    qint64 promoted = 0;  // the standby took writes
    qint64 rejoining = 0; // the old primary started to rejoin (until then the new one is alone)
    qint64 rejoined = 0;  // commits wait for the standby again
};

// A workstation's lines from a second before each failover to three seconds after its
// promotion, for a failure.
QString whatHappenedAround(const QVector<Failover>& failovers, const QStringList& lines) {
    QStringList shown;
    for (const Failover& failover : failovers) {
        shown << QStringLiteral("failover: stopped %1, promoted %2, rejoining %3, rejoined %4")
                     .arg(failover.stopped)
                     .arg(failover.promoted)
                     .arg(failover.rejoining)
                     .arg(failover.rejoined);
        for (const QString& line : lines) {
            const qint64 at = line.section(u' ', 1, 1).toLongLong();
            if (at >= failover.stopped - 1000 && at <= failover.promoted + 3000)
                shown << line;
        }
    }
    return shown.join(u'\n');
}

} // namespace

class ExecutionFailoverTest : public QObject {
    Q_OBJECT
private slots:
    void eightWorkstationsKeepWorkingThroughThreeFailovers();
};

void ExecutionFailoverTest::eightWorkstationsKeepWorkingThroughThreeFailovers() {
    constexpr int Documents = 600;
    constexpr int Workstations = 8;
    constexpr int Failovers = 3;
    const QStringList departments{QStringLiteral("检验科"), QStringLiteral("放射科")};
    PostgresPair pair;
    QVERIFY2(pair.isReady(), qPrintable(pair.error()));
    qputenv("YJGL_TEST_PG", pair.connectionString().toUtf8());
    qputenv("YJGL_TEST_ENGINE", "postgresql");
    TestFolder folder;
    FakeMessageService messages;
    HospitalFixture db(folder);
    QVERIFY2(db.isReady(), qPrintable(db.error()));
    const QDateTime written(QDate::currentDate(), QTime(0, 0, 1));
    QStringList documents;
    QStringList voided; // every other document
    QVERIFY(gConn->beginTrans());
    for (int d = 1; d <= Documents; ++d) {
        documents << QStringLiteral("HA%1").arg(d, 4, 10, QLatin1Char('0'));
        if (d % 2 == 0)
            voided << documents.last();
        db.addOutpatient(
            documents.last(), "患者", written,
            {HospitalFixture::Item{"JY0001", 1, 20, 20}, HospitalFixture::Item{"FS0001", 1, 60, 60}});
    }
    QVERIFY(gConn->commitTrans());
    QVERIFY(db.exec("ANALYZE")); // the server plans the pending list for the documents now there
    gConn->close();

    const QString stopFile = folder.file(QStringLiteral("stop"));
    const QString start = Workstation::startTimeIn(1500);
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int w = 0; w < Workstations; ++w) {
        QStringList order = documents;
        std::rotate(order.begin(), order.begin() + (w * 7) % Documents, order.end());
        workers.push_back(std::make_unique<QProcess>());
        workers.back()->setStandardOutputFile(folder.file(QStringLiteral("worker%1.txt").arg(w)));
        workers.back()->start(QStringLiteral(FAILOVER_WORKER),
                              {db.connectionString(), departments.at(w % 2), start, order.join(u','),
                               voided.join(u','), stopFile, QStringLiteral("150")});
    }
    QVector<Failover> failovers;
    QThread::msleep(4000);
    for (int f = 0; f < Failovers; ++f) {
        Failover failover;
        failover.stopped = now();
        QVERIFY2(pair.failover(), qPrintable(pair.error()));
        failover.promoted = now();
        QThread::msleep(3000);
        failover.rejoining = now();
        QVERIFY2(pair.rejoin(), qPrintable(pair.error()));
        failover.rejoined = now();
        failovers << failover;
        QThread::msleep(3000);
    }
    QFile stop(stopFile);
    QVERIFY(stop.open(QIODevice::WriteOnly));
    stop.close();
    for (const auto& worker : workers) {
        QVERIFY(worker->waitForFinished(60000));
        QCOMPARE(worker->exitStatus(), QProcess::NormalExit);
        QCOMPARE(worker->exitCode(), 0);
    }

    QMap<QString, int> told;  // "DH/department" -> OK lines
    QMap<QString, int> voids; // "DH/department" -> VOIDED and ALREADY lines
    QStringList numbers;
    QVector<int> executedAlone(Failovers); // executions while the new primary had no standby
    int executedAfterwards = 0;            // after the last rejoin
    for (int w = 0; w < Workstations; ++w) {
        QFile file(folder.file(QStringLiteral("worker%1.txt").arg(w)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString dept = departments.at(w % 2);
        QVector<qint64> lost;
        QVector<qint64> back;
        QString lastLost;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        for (const QString& line : lines) {
            const QStringList parts = line.split(u' ');
            QVERIFY2(parts.size() >= 2, qPrintable(line));
            const QString what = parts.at(0);
            const qint64 at = parts.at(1).toLongLong();
            const QString key = parts.value(2) + u'/' + dept;
            QVERIFY2(what != u"FAIL", qPrintable(QStringLiteral("workstation %1: %2").arg(w).arg(line)));
            if (what == u"OK") {
                ++told[key];
                numbers << parts.at(3);
                for (int f = 0; f < Failovers; ++f)
                    executedAlone[f] += at > failovers.at(f).promoted && at < failovers.at(f).rejoining;
                executedAfterwards += at > failovers.last().rejoined;
            } else if (what == u"VOIDED" || what == u"ALREADY") {
                // Found voided only where the link broke while it was being voided.
                QVERIFY2(what == u"VOIDED" || lastLost == parts.at(2), qPrintable(line));
                ++voids[key];
            } else if (what == u"LOST") {
                lost << at;
                lastLost = parts.at(2);
            } else if (what == u"BACK") {
                back << at;
            }
        }
        // Once per failover, and back within 15 s of the promotion.
        if (lost.size() != Failovers || back.size() != Failovers)
            qWarning().noquote() << whatHappenedAround(failovers, lines);
        QVERIFY2(
            lost.size() == Failovers && back.size() == Failovers,
            qPrintable(
                QStringLiteral("workstation %1: %2 lost, %3 back").arg(w).arg(lost.size()).arg(back.size())));
        for (int f = 0; f < Failovers; ++f) {
            QVERIFY(lost.at(f) >= failovers.at(f).stopped);
            QVERIFY(f + 1 == Failovers || lost.at(f) < failovers.at(f + 1).stopped);
            QVERIFY2(back.at(f) - failovers.at(f).promoted <= 15000,
                     qPrintable(QStringLiteral("workstation %1 back %2 ms after promotion %3")
                                    .arg(w)
                                    .arg(back.at(f) - failovers.at(f).promoted)
                                    .arg(f + 1)));
        }
    }
    qInfo("%d executions, %d voids, alone %d/%d/%d, %d after the last rejoin", int(numbers.size()),
          int(voids.size()), executedAlone.at(0), executedAlone.at(1), executedAlone.at(2),
          executedAfterwards);
    for (int f = 0; f < Failovers; ++f)
        QVERIFY2(executedAlone.at(f) > 0, "the new primary kept its commits waiting for a standby");
    QVERIFY(executedAfterwards > 0);
    for (auto it = told.cbegin(); it != told.cend(); ++it)
        QVERIFY2(it.value() == 1, qPrintable(it.key()));
    int toldVoided = 0;
    for (auto it = told.cbegin(); it != told.cend(); ++it)
        toldVoided += voided.contains(it.key().section(u'/', 0, 0));
    QCOMPARE(voids.size(), toldVoided);
    for (auto it = voids.cbegin(); it != voids.cend(); ++it)
        QVERIFY2(it.value() == 1 && told.contains(it.key()), qPrintable(it.key()));

    QVERIFY(gConn->open());
    QCOMPARE(db.count("from MZ_YJZX"), int(numbers.size()));
    QCOMPARE(db.count("from (select DH, KSMC from MZ_YJZX group by DH, KSMC) T"), int(told.size()));
    QCOMPARE(db.count("from MZ_YJZX where SFZF=1"), toldVoided);
    QCOMPARE(db.count("from MZ_KFDJMX where TYBZ=1"), toldVoided);
    numbers.sort();
    QStringList stored;
    RecordsetPtr rs = gConn->execute("select ZXDH from MZ_YJZX order by ZXDH");
    QVERIFY(rs);
    for (const auto& row : rs->rows())
        stored << Recordset::asText(row.value(0));
    QCOMPARE(stored, numbers);
    QCOMPARE(QSet<QString>(numbers.begin(), numbers.end()).size(), numbers.size());
}

QTEST_GUILESS_MAIN(ExecutionFailoverTest)
#include "tst_execution_failover.moc"
