// The SQL Server road without a server: which dialect a data source gets, and how a server that
// cannot be reached is reported through the installed ODBC drivers (FreeTDS, unixODBC). The
// checks against a real server are sqlserver_live_check, run by hand.
#include "db/Connection.h"
#include "db/DbErrors.h"
#include "support/TestFolder.h"

#include <QtTest>

class TstSqlServerConnection : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dialectFollowsTheReportedProduct_data();
    void dialectFollowsTheReportedProduct();
    void unreachableServerIsABrokenLink_data();
    void unreachableServerIsABrokenLink();

private:
    std::unique_ptr<TestFolder> m_folder;
};

void TstSqlServerConnection::init() {
    // A data source list of our own, empty: the machine's odbc.ini plays no part.
    m_folder = std::make_unique<TestFolder>();
    m_folder->writeBytes(QStringLiteral("odbc.ini"), {});
    qputenv("ODBCINI", QFile::encodeName(m_folder->file(QStringLiteral("odbc.ini"))));
}

void TstSqlServerConnection::cleanup() {
    qunsetenv("ODBCINI");
    m_folder.reset();
}

void TstSqlServerConnection::dialectFollowsTheReportedProduct_data() {
    QTest::addColumn<QString>("product");
    QTest::addColumn<Connection::Engine>("engine");
    QTest::newRow("SQL Server") << "Microsoft SQL Server" << Connection::Engine::SqlServer;
    QTest::newRow("PostgreSQL") << "PostgreSQL" << Connection::Engine::PostgreSQL;
    QTest::newRow("padded") << " PostgreSQL " << Connection::Engine::PostgreSQL;
    QTest::newRow("other product") << "SQLite" << Connection::Engine::None;
    QTest::newRow("nothing reported") << "" << Connection::Engine::None;
}

void TstSqlServerConnection::dialectFollowsTheReportedProduct() {
    QFETCH(QString, product);
    QTEST(Connection::engineForDbms(product), "engine");
}

void TstSqlServerConnection::unreachableServerIsABrokenLink_data() {
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("says");
    // Nothing listens on port 1 of this computer: FreeTDS is refused at once.
    QTest::newRow("FreeTDS") << "Provider=sqloledb;Data Source=127.0.0.1,1;Initial Catalog=orvadata;User "
                                "ID=sa;Password=x;"
                             << "";
    QTest::newRow("unknown data source") << "DSN=yjgl_no_such_source;UID=sa;"
                                         << "Data source name not found";
}

void TstSqlServerConnection::unreachableServerIsABrokenLink() {
    QFETCH(QString, connection);
    QFETCH(QString, says);
    resetGlobalConnection(connection);
    AppError error;
    QVERIFY(!gConn->open(&error));
    QCOMPARE(error.number, DbError::BrokenLink);
    QVERIFY2(error.description.contains(says), qPrintable(error.description));
    QVERIFY(!error.description.isEmpty());
    QCOMPARE(gConn->engine(), Connection::Engine::None);
    // Statements on it fail as on a closed connection.
    QVERIFY(!gConn->execute(QStringLiteral("select 1"), &error));
    QCOMPARE(error.number, DbError::ClosedObject);
    QVERIFY(!gConn->beginTrans(&error));
    QCOMPARE(error.number, DbError::ClosedObject);
}

QTEST_GUILESS_MAIN(TstSqlServerConnection)
#include "tst_SqlServerConnection.moc"
