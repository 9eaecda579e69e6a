// The SQL Server road against a real server, run by hand (scripts/sqlserver-test.sh): no server
// can run on the build machines, so CTest runs only what needs none (tst_SqlServerConnection).
#include "common/StatementMessages.h"
#include "db/Connection.h"
#include "db/DbErrors.h"
#include "db/SqlServerWriteTurn.h"
#include "db/SqlTrace.h"
#include "db/StatementHelpers.h"
#include "support/FakeMessageService.h"

#include <QtTest>

// YJGL_TEST_SQLSERVER holds the connection string: "Provider=sqloledb;..." (FreeTDS) or
// "DSN=...;" naming a data source of odbc.ini whose driver reaches SQL Server.
class TstSqlServerConnection : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void serverTimeAndRows();
    void batchTransactionsAndQuotes();
    void rejectedStatement();
    void transactionTakesTheWriteTurn();

private:
    std::unique_ptr<FakeMessageService> m_messages;
};

void TstSqlServerConnection::init() {
    const QString connStr = qEnvironmentVariable("YJGL_TEST_SQLSERVER");
    QVERIFY2(!connStr.isEmpty(), "YJGL_TEST_SQLSERVER names no SQL Server");
    m_messages = std::make_unique<FakeMessageService>();
    resetGlobalConnection(connStr);
    AppError error;
    QVERIFY2(gConn->open(&error), qPrintable(error.description));
    QCOMPARE(gConn->engine(), Connection::Engine::SqlServer);
}

void TstSqlServerConnection::cleanup() {
    if (gConn)
        gConn->close();
    m_messages.reset();
}

void TstSqlServerConnection::serverTimeAndRows() {
    RecordsetPtr rs;
    QVERIFY(OpenRs(rs, "SELECT top 1 GETDATE() FROM sysobjects"));
    QCOMPARE(rs->RecordCount(), 1);
    QVERIFY(rs->dateTime(0).isValid());
    QVERIFY(OpenRs(rs, "select NULL as a, '' as b, N'检验科' as c"));
    QVERIFY(rs->isNull("A"));
    QVERIFY(!rs->isNull("b"));
    QCOMPARE(rs->text("c"), QStringLiteral("检验科"));
}

void TstSqlServerConnection::batchTransactionsAndQuotes() {
    QVERIFY(ExecSql("create table #yj_t(id int identity, xm nvarchar(40))\n"
                    "insert into #yj_t(xm) values(" +
                    SqlText("O'Brien") + ")"));
    QVERIFY(gConn->beginTrans());
    QVERIFY(ExecSql("insert into #yj_t(xm) values(N'王五')"));
    QVERIFY(gConn->rollbackTrans());
    RecordsetPtr rs;
    QVERIFY(OpenRs(rs, "select top 1 xm from #yj_t order by id desc"));
    QCOMPARE(rs->RecordCount(), 1);
    QCOMPARE(rs->text("XM"), QStringLiteral("O'Brien"));
    QVERIFY(RecordExists("#yj_t", "xm", "o'brien", ""));
}

void TstSqlServerConnection::rejectedStatement() {
    RecordsetPtr rs;
    QVERIFY(!OpenRs(rs, "select * from yj_no_such_table"));
    QVERIFY(!rs);
    QCOMPARE(m_messages->count(), 1);
    QVERIFY(m_messages->last().text.startsWith(QStringLiteral("错误号：  -2147217900\r\n")));
    QVERIFY(gConn->isOpen());
}

void TstSqlServerConnection::transactionTakesTheWriteTurn() {
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.log"));
    qputenv("YJGL_SQL_TRACE", QFile::encodeName(trace));
    AppError error;
    QVERIFY2(gConn->beginTrans(&error), qPrintable(error.description));
    QVERIFY(gConn->rollbackTrans(&error));
    qunsetenv("YJGL_SQL_TRACE");
    QCOMPARE(SqlTrace::readStatements(trace), QStringList{SqlServerWriteTurn::statement(10000)});
}

QTEST_GUILESS_MAIN(TstSqlServerConnection)
#include "sqlserver_live_check.moc"
