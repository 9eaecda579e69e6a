// The connection on a primary with a synchronous standby (started for the test): it finds the
// server that takes writes whatever the order the servers are named in, also through a service
// of pg_service.conf, and the query windows read from the standby only when YJGL.ini says so.
#include "db/Connection.h"
#include "db/ConnectionString.h"
#include "db/StandbyReads.h"
#include "support/PostgresPair.h"
#include "support/TestFolder.h"

#include <QTest>

#include <memory>

namespace {
const QString InRecovery = QStringLiteral("select pg_is_in_recovery() as standby");

// Whether the statement ran on a standby; empty when it failed.
QVariant onStandby(const RecordsetPtr& rs) {
    if (!rs || rs->RecordCount() != 1)
        return {};
    rs->MoveFirst();
    return rs->value(0).toBool();
}
} // namespace

class TstPostgresPair : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void connectsToTheServerThatTakesWritesWhicheverIsNamedFirst();
    void serviceOfPgServiceConf();
    void queriesReadFromTheStandbyOnlyWhenAsked();

private:
    QString standbyFirst() const;

    std::unique_ptr<PostgresPair> m_pair;
    QList<QPair<QString, int>> m_servers; // primary, standby
};

void TstPostgresPair::initTestCase() {
    m_pair = std::make_unique<PostgresPair>();
    QVERIFY2(m_pair->isReady(), qPrintable(m_pair->error()));
    m_servers = ConnectionString::parse(m_pair->connectionString()).postgresServers();
    QCOMPARE(m_servers.size(), 2);
}

void TstPostgresPair::cleanupTestCase() {
    m_pair.reset();
}

void TstPostgresPair::cleanup() {
    StandbyReads::close();
    if (gConn)
        gConn->close();
}

QString TstPostgresPair::standbyFirst() const {
    return QStringLiteral("Provider=PostgreSQL;Data Source=%1:%2,%3:%4;Initial Catalog=postgres;User ID=yjgl;"
                          "Password=yjgl-test;")
        .arg(m_servers.at(1).first)
        .arg(m_servers.at(1).second)
        .arg(m_servers.at(0).first)
        .arg(m_servers.at(0).second);
}

void TstPostgresPair::connectsToTheServerThatTakesWritesWhicheverIsNamedFirst() {
    resetGlobalConnection(standbyFirst());
    AppError error;
    QVERIFY2(gConn->open(&error), qPrintable(error.description));
    QCOMPARE(onStandby(gConn->execute(InRecovery, &error)), QVariant(false));
}

void TstPostgresPair::serviceOfPgServiceConf() {
    TestFolder folder;
    folder.writeBytes(QStringLiteral("pg_service.conf"),
                      QStringLiteral("[yjgl_ha]\nhost=%1,%2\nport=%3,%4\ndbname=postgres\nuser=yjgl\n"
                                     "password=yjgl-test\n")
                          .arg(m_servers.at(1).first, m_servers.at(0).first)
                          .arg(m_servers.at(1).second)
                          .arg(m_servers.at(0).second)
                          .toUtf8());
    qputenv("PGSERVICEFILE", folder.file(QStringLiteral("pg_service.conf")).toUtf8());
    resetGlobalConnection(QStringLiteral("Provider=PostgreSQL;Service=yjgl_ha;"));
    AppError error;
    const bool opened = gConn->open(&error);
    qunsetenv("PGSERVICEFILE");
    QVERIFY2(opened, qPrintable(error.description));
    QCOMPARE(onStandby(gConn->execute(InRecovery, &error)), QVariant(false));
}

void TstPostgresPair::queriesReadFromTheStandbyOnlyWhenAsked() {
    TestFolder folder;
    resetGlobalConnection(m_pair->connectionString());
    QVERIFY(gConn->open());
    RecordsetPtr rs;
    AppError error;
    QVERIFY(!StandbyReads::enabled());
    QVERIFY2(StandbyReads::OpenRsForQuery(rs, InRecovery, &error), qPrintable(error.description));
    QCOMPARE(onStandby(rs), QVariant(false));

    folder.writeBytes(QStringLiteral("YJGL.ini"), "[Database]\r\nQueriesFromStandby=1\r\n");
    QVERIFY(StandbyReads::enabled());
    QVERIFY2(StandbyReads::OpenRsForQuery(rs, InRecovery, &error), qPrintable(error.description));
    QCOMPARE(onStandby(rs), QVariant(true));
    // Everything else stays on the primary.
    QCOMPARE(onStandby(gConn->execute(InRecovery, &error)), QVariant(false));
}

QTEST_GUILESS_MAIN(TstPostgresPair)
#include "tst_PostgresPair.moc"
