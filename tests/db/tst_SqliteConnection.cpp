#include "DbTestDatabase.h"
#include "common/StatementMessages.h"
#include "common/core/Clock.h"
#include "db/Connection.h"
#include "db/DbErrors.h"
#include "db/SqlTrace.h"
#include "db/SqliteDatabase.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <sqlite3.h>

#include <sqlite3.h>
#include <sys/mount.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

class TstSqliteConnection : public QObject {
    Q_OBJECT

private slots:
    void init();
    void idleLogIsEmptiedForTheNextFile();
    void cleanup();

    void openingMissingFileFailsAndCreatesNothing();
    void openingCorruptFileFailsAndChangesNothing();
    void openingEmptyFileFailsAndLeavesItEmpty();
    void unknownOrEmptyConnectionStringGoesToFailureHandler();

    void openRsGivesClientSideRecordset();
    void textComparisonIgnoresLetterCase();
    void serverTimeFromSysobjects();
    void nextNumberStatementWithTopAndOrder();

    void execProcedureGivesRowsOfLastSelect();
    void execProcedureWithTooFewArgumentsFailsClearly();
    void execUnknownProcedureOrTooManyArguments();
    void failingProcedureUndoesItsOwnWrites();
    void executionInTransactionCommitsOrRollsBack();
    void sameDocumentIsNeverExecutedTwice();

    void updateWithRepeatedTargetAndDeleteWithoutFrom();
    void batchOfStatementsIsOneUnit();
    void recordsAffectedCountsWrittenRows();
    void rejectedStatementShowsCommonMessageAndKeepsConnection();
    void valuesWithQuotesStayValues();
    void statementsAgainWithOtherValues();
    void stepsSentTogetherRunOnTheConnectionsThread();
    void engineCodeReachesTheMessage();
    void valueThatCannotBeBoundIsAnError();
    void valuesComeBackExactlyOrAreRefused();
    void cellTextReadsEveryKindAsTextDoes();

    void transactionsBeginCommitRollback();
    void closedConnectionGives3704();
    void lockedDatabaseTimesOutAndChangesNothing();
    void readingUnitRunsWhileAnotherWorkstationWrites();
    void lostDatabaseIsReopenedOnceItIsBack();
    void replacedDatabaseIsNeitherCorruptedNorUndone();
    void fullDiskIsReportedAndOutlived();
    void traceRecordsStatementsAsBuilt();
    void traceIsOwnerOnlyAndHidesPasswords();

private:
    QString count(const QString& sql) const { return DbTestDatabase::scalar(m_file, sql); }

    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<FakeMessageService> m_messages;
    QStringList m_failures; // descriptions handed to the connection-failure handler
    QString m_file;
    QString m_connStr;
};

void TstSqliteConnection::init() {
    m_folder = std::make_unique<TestFolder>();
    m_messages = std::make_unique<FakeMessageService>();
    m_failures.clear();
    setConnectionFailureHandler([this](const QString& description) { m_failures << description; });
    m_file = m_folder->file("hospital.db");
    m_connStr = DbTestDatabase::create(m_file);
    QVERIFY(!m_connStr.isEmpty());
    QVERIFY(DbTestDatabase::run(m_file,
                                {"INSERT INTO sys_procedures VALUES('P_Fail', '@V', "
                                 "'UPDATE CS SET DMMC = @V; INSERT INTO DAGL_ZD VALUES(''NEW'',''x'',''0''); "
                                 "SELECT yj_raise(''处理失败：'' || @V) WHERE 1')"}));
    resetGlobalConnection(m_connStr);
    OpenConn();
    QVERIFY(gConn->isOpen());
}

void TstSqliteConnection::cleanup() {
    if (gConn)
        gConn->close();
    setConnectionFailureHandler({});
    Clock::setFixedNow({});
    m_messages.reset();
    m_folder.reset();
}

void TstSqliteConnection::openingMissingFileFailsAndCreatesNothing() {
    const QString missing = m_folder->file("nothere.db");
    Connection conn;
    conn.setConnectionString("Provider=SQLite;Data Source=" + missing + ";");
    AppError error;
    QVERIFY(!conn.open(&error));
    QCOMPARE(error.number, DbError::BrokenLink);
    QVERIFY2(error.description.contains("nothere.db"), qPrintable(error.description));
    QVERIFY(!error.source.isEmpty());
    QVERIFY(!QFile::exists(missing));
    QVERIFY(!conn.isOpen());
}

void TstSqliteConnection::openingCorruptFileFailsAndChangesNothing() {
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char('A' + i % 26));
    m_folder->writeBytes("broken.db", garbage);
    resetGlobalConnection("Provider=SQLite;Data Source=" + m_folder->file("broken.db") + ";");
    OpenConn();
    QVERIFY(!gConn->isOpen());
    QCOMPARE(m_failures.size(), 1);
    QVERIFY2(m_failures[0].contains("broken.db"), qPrintable(m_failures[0]));

    RecordsetPtr rs;
    QVERIFY(!OpenRs(rs, "select * from CS"));
    QVERIFY(!rs);
    QVERIFY(m_messages->count() >= 1);
    QCOMPARE(m_messages->last().title, QStringLiteral("系统提示"));
    QCOMPARE(m_folder->readBytes("broken.db"), garbage);
    QVERIFY(!QFile::exists(m_folder->file("broken.db-wal")));
}

void TstSqliteConnection::openingEmptyFileFailsAndLeavesItEmpty() {
    m_folder->writeBytes("empty.db", QByteArray());
    resetGlobalConnection("Provider=SQLite;Data Source=" + m_folder->file("empty.db") + ";");
    OpenConn();
    QVERIFY(!gConn->isOpen());
    QCOMPARE(m_failures.size(), 1);
    QVERIFY2(m_failures[0].contains("empty.db"), qPrintable(m_failures[0]));
    QVERIFY(!ExecSql("Create Table CS(id int)"));
    QCOMPARE(m_messages->last().title, QStringLiteral("系统提示"));
    QVERIFY(m_messages->last().text.startsWith(QStringLiteral("错误号：  ")));
    QCOMPARE(QFileInfo(m_folder->file("empty.db")).size(), 0);
    QVERIFY(!QFile::exists(m_folder->file("empty.db-wal")));
}

void TstSqliteConnection::unknownOrEmptyConnectionStringGoesToFailureHandler() {
    resetGlobalConnection("Provider=Oracle;Data Source=x;");
    OpenConn();
    QCOMPARE(m_failures.size(), 1);
    QVERIFY(m_failures[0].contains("Oracle"));
    AppError error;
    QVERIFY(!gConn->open(&error));
    QCOMPARE(error.number, DbError::NoProvider);

    resetGlobalConnection("");
    OpenConn();
    QCOMPARE(m_failures.size(), 2);
    QVERIFY(!m_failures[1].isEmpty());
    QVERIFY(!ExecSql("select 1"));
    QVERIFY(m_messages->last().text.startsWith(QStringLiteral("错误号：  3704\r\n\r\n错误描述：")));
}

void TstSqliteConnection::openRsGivesClientSideRecordset() {
    RecordsetPtr rs;
    QVERIFY(
        OpenRs(rs, "select id, DMMC, NULL AS empty_value, '' AS blank, 12.5 AS price from CS order by id"));
    QVERIFY(rs);
    QCOMPARE(rs->RecordCount(), 2);
    QCOMPARE(rs->fieldName(1), QStringLiteral("DMMC"));
    QCOMPARE(rs->text("dmmc"), QStringLiteral("检验科"));
    QVERIFY(rs->isNull("EMPTY_VALUE"));
    QVERIFY(!rs->isNull("blank"));
    QCOMPARE(rs->text("blank"), QString(""));
    QCOMPARE(rs->number("price"), 12.5);
    QCOMPARE(rs->number("id"), 1.0);
    rs->MoveNext();
    QCOMPARE(rs->text(1), QStringLiteral("放射科"));
    rs->MoveNext();
    QVERIFY(rs->isEOF());
    CloseRs(rs);
    QVERIFY(!rs);
    CloseRs(rs); // twice: nothing happens
    QCOMPARE(m_messages->count(), 0);

    QVERIFY(OpenRs(rs, "select * from CS where 1=0"));
    QCOMPARE(rs->RecordCount(), 0);
    QVERIFY(rs->isEOF());
    QCOMPARE(rs->fieldCount(), 4);
    // A statement without rows still gives an (empty) recordset.
    QVERIFY(OpenRs(rs, "Update CS Set DM=DM Where id=1"));
    QCOMPARE(rs->RecordCount(), 0);
}

void TstSqliteConnection::textComparisonIgnoresLetterCase() {
    RecordsetPtr rs;
    QVERIFY(OpenRs(rs, "Select DMMC FROM CS WHERE ControlID Like'zxks'"));
    QCOMPARE(rs->RecordCount(), 2);
    QVERIFY(OpenRs(rs, "select * from CS where DM='jyk'"));
    QCOMPARE(rs->RecordCount(), 1);
    QVERIFY(OpenRs(rs, "select * from CS where DM like 'j%'"));
    QCOMPARE(rs->RecordCount(), 1);
    // A literal directly followed by a keyword, as the password change writes it.
    QVERIFY(ExecSql("update  CS set DMMC='检验'where DM like'JyK'"));
    QCOMPARE(count("select DMMC from CS where id=1"), QStringLiteral("检验"));
}

void TstSqliteConnection::serverTimeFromSysobjects() {
    Clock::setFixedNow(QDateTime(QDate(2026, 12, 7), QTime(9, 15, 30)));
    RecordsetPtr rs;
    QVERIFY(OpenRs(rs, "SELECT top 1 GETDATE() FROM sysobjects"));
    QCOMPARE(rs->RecordCount(), 1);
    QCOMPARE(rs->text(0), QStringLiteral("2026-12-07 09:15:30"));
    QCOMPARE(rs->dateTime(0), QDateTime(QDate(2026, 12, 7), QTime(9, 15, 30)));
}

void TstSqliteConnection::nextNumberStatementWithTopAndOrder() {
    QVERIFY(DbTestDatabase::run(
        m_file, {"CREATE TABLE MZ_FYDJ(id INTEGER PRIMARY KEY, FYDH TEXT, FYRQ TEXT)",
                 "INSERT INTO MZ_FYDJ(FYDH,FYRQ) VALUES('202612070001','2026-12-07 08:00:00'),"
                 "('202612070002','2026-12-07 09:00:00'),('202612080001','2026-12-08 01:00:00')"}));
    RecordsetPtr rs;
    QVERIFY(OpenRs(rs, "select top 1 FYDH From MZ_FYDJ Where FYRQ Between '2026-12-07 00:00:00' and "
                       "'2026-12-07 23:59:59' order by id desc"));
    QCOMPARE(rs->RecordCount(), 1);
    QCOMPARE(rs->text("FYDH"), QStringLiteral("202612070002"));
}

void TstSqliteConnection::execProcedureGivesRowsOfLastSelect() {
    RecordsetPtr rs;
    QVERIFY(OpenRs(rs, "Exec Get_YJMX '检验科','D1'"));
    QCOMPARE(rs->fieldNames(), (QStringList{"BM", "PM", "SL"}));
    QCOMPARE(rs->RecordCount(), 2);
    QCOMPARE(rs->text("PM"), QStringLiteral("血常规"));
    rs->MoveNext();
    QCOMPARE(rs->text("BM"), QStringLiteral("x002"));
    QCOMPARE(rs->number("SL"), 2.0);

    // Straight through the connection, procedure name in any letter case.
    AppError error;
    RecordsetPtr direct = gConn->execute("EXEC get_yjmx '放射科','d1'", &error);
    QVERIFY(direct);
    QCOMPARE(direct->RecordCount(), 1);
}

void TstSqliteConnection::execProcedureWithTooFewArgumentsFailsClearly() {
    RecordsetPtr rs;
    QVERIFY(!OpenRs(rs, "Exec Get_YJMX '检验科'"));
    QVERIFY(!rs);
    QVERIFY2(m_messages->last().text.contains(QStringLiteral("过程或函数 'Get_YJMX' 需要参数 '@DH'")),
             qPrintable(m_messages->last().text));
    QVERIFY(!ExecSql("exec P_Fail"));
    QCOMPARE(count("select DMMC from CS where id=1"), QStringLiteral("检验科")); // nothing ran
    QVERIFY(gConn->isOpen());
}

void TstSqliteConnection::execUnknownProcedureOrTooManyArguments() {
    RecordsetPtr rs;
    QVERIFY(!OpenRs(rs, "exec NoSuchProc 'a'"));
    QVERIFY(!rs);
    QVERIFY2(m_messages->last().text.contains("NoSuchProc"), qPrintable(m_messages->last().text));
    QVERIFY(m_messages->last().text.startsWith(QStringLiteral("错误号：  -2147217900\r\n\r\n")));
    QVERIFY(!ExecSql("exec Get_YJMX 'a','b','c'"));
    QVERIFY(m_messages->last().text.contains("Get_YJMX"));
    QVERIFY(gConn->isOpen());
}

void TstSqliteConnection::failingProcedureUndoesItsOwnWrites() {
    QVERIFY(!ExecSql("exec P_Fail 'changed'"));
    QCOMPARE(m_messages->count(), 1);
    const auto box = m_messages->last();
    QCOMPARE(box.title, QStringLiteral("系统提示"));
    QCOMPARE(box.icon, MsgIcon::Exclamation);
    QCOMPARE(box.text,
             QStringLiteral("错误号：  -2147217900\r\n\r\n错误描述：处理失败：changed\r\n\r\n错误来源：yjgl "
                            "SQLite（原始错误码：1）"));
    QCOMPARE(count("select count(*) from CS where DMMC='changed'"), QStringLiteral("0"));
    QCOMPARE(count("select count(*) from DAGL_ZD"), QStringLiteral("1"));
    QVERIFY(!gConn->inTransaction());
}

void TstSqliteConnection::executionInTransactionCommitsOrRollsBack() {
    const QString insert =
        "Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM) Values('202612070001','D1','张三','李四',"
        "'检验科','王五')";
    // Success: the row and the executed flags stay.
    QVERIFY(gConn->beginTrans());
    QVERIFY(gConn->execute(insert));
    QVERIFY(gConn->execute("Exec P_YJZX 'D1','检验科'"));
    QVERIFY(gConn->commitTrans());
    QCOMPARE(count("select count(*) from MZ_YJZX"), QStringLiteral("1"));
    QCOMPARE(count("select group_concat(BM) from MZ_KFDJMX where ZXBZ=1"), QStringLiteral("X001,x002"));

    // Failure: nothing of 放射科 to execute on D2; the procedure fails, the caller rolls back.
    QVERIFY(gConn->beginTrans());
    QVERIFY(gConn->execute(insert));
    AppError error;
    QVERIFY(!gConn->execute("Exec P_YJZX 'D2','放射科'", &error));
    QCOMPARE(error.description, QStringLiteral("该单据已执行，不能重复执行！"));
    QVERIFY(gConn->inTransaction()); // the caller's transaction survives the failed procedure
    RecordsetPtr inside = gConn->execute("select count(*) from MZ_YJZX");
    QCOMPARE(inside->text(0), QStringLiteral("2"));
    QVERIFY(gConn->rollbackTrans());
    QCOMPARE(count("select count(*) from MZ_YJZX"), QStringLiteral("1"));
}

void TstSqliteConnection::sameDocumentIsNeverExecutedTwice() {
    // Two workstations on one file at the same moment.
    std::atomic<int> succeeded{0};
    std::atomic<int> failed{0};
    auto workstation = [&] {
        Connection conn;
        conn.setConnectionString(
            QStringLiteral("Provider=SQLite;Data Source=%1;Busy Timeout=5000;").arg(m_file));
        if (!conn.open())
            return;
        if (conn.execute("Exec P_YJZX 'D1','检验科'"))
            ++succeeded;
        else
            ++failed;
    };
    std::thread a(workstation);
    std::thread b(workstation);
    a.join();
    b.join();
    QCOMPARE(succeeded.load(), 1);
    QCOMPARE(failed.load(), 1);
    // Another department still has its part of the document to execute.
    QVERIFY(ExecSql("Exec P_YJZX 'D1','放射科'"));
}

void TstSqliteConnection::engineCodeReachesTheMessage() {
    const QString insert = "Insert Into DAGL_ZD(DM,DMMC,ZD_TYPE) Values('K1','x','0')";
    QVERIFY(ExecSql(insert));
    AppError error;
    QVERIFY(!gConn->execute(insert, &error));
    QCOMPARE(error.nativeCode, QString::number(SQLITE_CONSTRAINT_PRIMARYKEY));
    QVERIFY(!ExecSql(insert));
    QVERIFY2(m_messages->last().text.endsWith(QStringLiteral("（原始错误码：1555）")),
             qPrintable(m_messages->last().text));
}

void TstSqliteConnection::valueThatCannotBeBoundIsAnError() {
    QVERIFY(DbTestDatabase::run(m_file, {"INSERT INTO sys_procedures VALUES('P_Echo', '@V', 'SELECT @V')"}));
    SqliteDatabase db;
    AppError error;
    QVERIFY(db.open(m_file, 1000, &error));
    sqlite3_limit(db.handle(), SQLITE_LIMIT_LENGTH, 100);
    QVector<AdaptedStatement> statements;
    QString adaptError;
    QVERIFY(TsqlAdapter::adapt("exec P_Echo '" + QString(200, 'x') + "'", &statements, &adaptError));
    // Bound as NULL the call would seem to succeed with an empty value.
    QVERIFY(!db.execute(statements, &error));
    QCOMPARE(error.nativeCode, QString::number(SQLITE_TOOBIG));
    QVERIFY(error.isSet());
}

void TstSqliteConnection::updateWithRepeatedTargetAndDeleteWithoutFrom() {
    QVERIFY(ExecSql("Update MZ_KFDJMX Set TYBZ=1 From MZ_KFDJMX,YF_YPML Where MZ_KFDJMX.BM=YF_YPML.YPBM AND  "
                    "MZ_KFDJMX.DH='D1' And YF_YPML.ZXKS='检验科'"));
    QCOMPARE(count("select group_concat(BM) from MZ_KFDJMX where TYBZ=1"), QStringLiteral("X001,x002"));
    QVERIFY(ExecSql("Delete CS Where id Like'1'"));
    QCOMPARE(count("select group_concat(DMMC) from CS"), QStringLiteral("放射科"));
    QCOMPARE(m_messages->count(), 0);
}

void TstSqliteConnection::batchOfStatementsIsOneUnit() {
    QVERIFY(ExecSql(" Insert into CS(Controlid,DM,DMMC) Values ('ZXKS','CSK','超声科')\n"
                    "Update CS Set DMMC='检验科一',DM='JYKY' Where ID=1\n"));
    QCOMPARE(count("select count(*) from CS"), QStringLiteral("3"));
    QCOMPARE(count("select DMMC from CS where id=1"), QStringLiteral("检验科一"));

    // The second statement fails: the first one's insert is undone as well.
    QVERIFY(!ExecSql(" Insert into CS(Controlid,DM,DMMC) Values ('ZXKS','XDT','心电图室')\n"
                     "Update NoSuchTable Set a=1\n"));
    QCOMPARE(count("select count(*) from CS"), QStringLiteral("3"));
    QVERIFY(m_messages->last().text.contains("NoSuchTable"));
    QVERIFY(!gConn->inTransaction());

    QVERIFY(ExecSql("Delete DAGL_ZD Where DM Like'ZXKS'\nDelete CS Where ControlID Like'ZXKS'"));
    QCOMPARE(count("select count(*) from CS") + count("select count(*) from DAGL_ZD"), QStringLiteral("00"));
}

// The count a caller reads to tell "changed nothing" from success; reads count nothing.
void TstSqliteConnection::recordsAffectedCountsWrittenRows() {
    const QString update = "Update MZ_KFDJMX Set TYBZ=1 Where DH='D1' And TYBZ=0";
    RecordsetPtr rs = gConn->execute(update);
    QVERIFY(rs);
    QCOMPARE(rs->RecordsAffected(), 3);
    QCOMPARE(gConn->execute(update)->RecordsAffected(), 0);
    QCOMPARE(gConn->execute("select * from MZ_KFDJMX")->RecordsAffected(), 0);
}

void TstSqliteConnection::rejectedStatementShowsCommonMessageAndKeepsConnection() {
    Connection* before = gConn;
    RecordsetPtr rs;
    QVERIFY(!OpenRs(rs, "select * from NoSuchTable"));
    QVERIFY(!rs);
    QCOMPARE(m_messages->count(), 1);
    QVERIFY(m_messages->last().text.contains("NoSuchTable"));
    QVERIFY(m_messages->last().text.contains(QStringLiteral("错误来源：yjgl SQLite")));
    QVERIFY(m_failures.isEmpty());
    QCOMPARE(gConn, before);
    QVERIFY(gConn->isOpen());
    QVERIFY(!ExecSql("Insert Into CS(nope) Values('x')"));
    QCOMPARE(m_messages->count(), 2);
    QVERIFY(OpenRs(rs, "select count(*) from CS"));
    QCOMPARE(rs->text(0), QStringLiteral("2"));
}

void TstSqliteConnection::valuesWithQuotesStayValues() {
    const QString name = "O'Brien'; Delete CS\nselect '";
    QVERIFY(ExecSql("Insert into CS(Controlid,DM,DMMC) Values ('ZXKS','OB'," + SqlText(name) + ")"));
    QCOMPARE(count("select count(*) from CS"), QStringLiteral("3"));
    QVERIFY(RecordExists("CS", "DMMC", name, ""));
    QVERIFY(RecordExists("CS", "DMMC", "o'brien%", "ControlID='ZXKS'"));
    QVERIFY(!RecordExists("CS", "DMMC", "O'Brien%", "ControlID='none'"));
    AppError error;
    QVERIFY(!RecordExists("NoSuchTable", "DM", "x", "", &error));
    QCOMPARE(error.number, DbError::StatementFailed);
    QCOMPARE(m_messages->count(), 0); // RecordExists hands errors to its caller
}

// A statement sent again with other values gives their rows; a literal of the select list still
// names its column, a "?" inside a value stays text, and a literal without its end still fails.
void TstSqliteConnection::statementsAgainWithOtherValues() {
    QVERIFY(ExecSql("Insert into CS(Controlid,DM,DMMC) Values ('XB','Q','a?b')"));
    QVERIFY(ExecSql("Insert into CS(Controlid,DM,DMMC) Values ('XB','R','c')"));
    RecordsetPtr rs;
    for (const char* dm : {"Q", "R"}) {
        QVERIFY(OpenRs(rs, QStringLiteral("select 'x' as k, DM, '?' from CS where DM='%1'").arg(dm)));
        QCOMPARE(rs->RecordCount(), 1);
        QCOMPARE(rs->text(QStringLiteral("DM")), QString::fromLatin1(dm));
        QCOMPARE(rs->fieldNames().value(2), QStringLiteral("'?'"));
    }
    QVERIFY(OpenRs(rs, "select DMMC from CS where DMMC='a?b'"));
    QCOMPARE(rs->text(0), QStringLiteral("a?b"));
    QVERIFY(!ExecSql("Update CS Set DMMC='open Where id=1"));
    QCOMPARE(count("select count(*) from CS where DMMC like 'open%'"), QStringLiteral("0"));
}

void TstSqliteConnection::stepsSentTogetherRunOnTheConnectionsThread() {
    QVERIFY(DbTestDatabase::run(m_file, {"CREATE TABLE nums(i INTEGER, t TEXT, r REAL, b)"}));
    QThread* inside = nullptr;
    AppError stepError;
    bool began = false;
    QVERIFY(gConn->runTogether([&] {
        inside = QThread::currentThread();
        began = gConn->beginTrans();
        // The numbers of a VALUES list come again with other values: each keeps its type.
        for (const char* values : {"5, 7, 1.5, 8", "6, 9, 2, 2.5"})
            gConn->execute(QStringLiteral("Insert Into nums(i,t,r,b) Values(%1)").arg(values));
        (void)gConn->execute(QStringLiteral("select nothing from nowhere"), &stepError);
    }));
    QVERIFY(inside && inside != QThread::currentThread());
    QVERIFY(began && gConn->inTransaction()); // the steps' transaction goes on after them
    QVERIFY(stepError.isSet());
    QVERIFY(gConn->commitTrans());
    QCOMPARE(count("select group_concat(typeof(i)||typeof(t)||typeof(r)||typeof(b)||':'||b, ' ') from nums"),
             QStringLiteral("integertextrealinteger:8 integertextrealreal:2.5"));
}

void TstSqliteConnection::valuesComeBackExactlyOrAreRefused() {
    const QString withMark = QStringLiteral("\uFEFF张三");
    QVERIFY(ExecSql("Update CS Set DMMC=" + SqlText(withMark) + " Where id=1"));
    RecordsetPtr rs;
    QVERIFY(OpenRs(rs, "select DMMC from CS where id=1"));
    QCOMPARE(rs->text(0), withMark);

    // A NUL would end the statement inside the value.
    QVERIFY(!ExecSql(QStringLiteral("Update CS Set DMMC='a") + QChar(0) + QStringLiteral("b' Where id=1")));
    QVERIFY2(m_messages->last().text.contains(QStringLiteral("空字符（NUL）")),
             qPrintable(m_messages->last().text));
    QVERIFY(OpenRs(rs, "select DMMC from CS where id=1"));
    QCOMPARE(rs->text(0), withMark);

    // Half of a character would be stored as "?"; a whole one beyond the first plane is kept.
    for (const QString& half :
         {QString(QChar(0xD834)) + QStringLiteral("x"), QStringLiteral("x") + QChar(0xDD1E)}) {
        QVERIFY(!ExecSql("Update CS Set DMMC=" + SqlText(half) + " Where id=1"));
        QVERIFY2(m_messages->last().text.contains(QStringLiteral("不完整的字符")),
                 qPrintable(m_messages->last().text));
    }
    QVERIFY(OpenRs(rs, "select DMMC from CS where id=1"));
    QCOMPARE(rs->text(0), withMark);
    QVERIFY(ExecSql("Update CS Set DMMC=" + SqlText(QStringLiteral("\U0001D11E")) + " Where id=1"));
}

void TstSqliteConnection::cellTextReadsEveryKindAsTextDoes() {
    const QString mark = QStringLiteral("\uFEFF张三");
    const QString nonBmp = QStringLiteral("\U0001D11E病人\U00020BB7");
    RecordsetPtr rs;
    QVERIFY(OpenRs(rs, "select NULL as N, 42 as I, -2.5 as F, 3.0 as W, '' as E, " + SqlText(mark) +
                           " as M, " + SqlText(nonBmp) +
                           " as S union all select 1, NULL, NULL, NULL, NULL, NULL, 'x'"));
    QCOMPARE(rs->RecordCount(), 2);
    const QStringList first = {QString(), "42", "-2.5", "3", "", mark, nonBmp};
    for (int c = 0; c < rs->fieldCount(); ++c) {
        QCOMPARE(rs->cellText(0, c), first.at(c));
        QCOMPARE(rs->cellText(0, c), rs->text(c)); // the value objects' reading
    }
    rs->MoveNext();
    for (int c = 0; c < rs->fieldCount(); ++c)
        QCOMPARE(rs->cellText(1, c), rs->text(c));
    QCOMPARE(rs->cellText(1, 6), QStringLiteral("x"));
    QCOMPARE(rs->cellText(2, 0), QString()); // off the rows and fields
    QCOMPARE(rs->cellText(0, 7), QString());
    QCOMPARE(rs->cellText(0, -1), QString());
}

void TstSqliteConnection::transactionsBeginCommitRollback() {
    QVERIFY(gConn->beginTrans());
    QVERIFY(gConn->inTransaction());
    AppError error;
    QVERIFY(!gConn->beginTrans(&error));
    QVERIFY(!error.description.isEmpty());
    QVERIFY(ExecSql("Insert into CS(DMMC) Values ('临时')"));
    QVERIFY(gConn->rollbackTrans());
    QCOMPARE(count("select count(*) from CS"), QStringLiteral("2"));
    QVERIFY(gConn->beginTrans());
    QVERIFY(ExecSql("Insert into CS(DMMC) Values ('保留')"));
    QVERIFY(gConn->commitTrans());
    QCOMPARE(count("select count(*) from CS"), QStringLiteral("3"));
    QVERIFY(!gConn->commitTrans(&error));
    QVERIFY(!gConn->rollbackTrans(&error));

    // Closing rolls an open transaction back.
    QVERIFY(gConn->beginTrans());
    QVERIFY(ExecSql("Insert into CS(DMMC) Values ('丢弃')"));
    gConn->close();
    QCOMPARE(count("select count(*) from CS"), QStringLiteral("3"));
}

void TstSqliteConnection::closedConnectionGives3704() {
    gConn->close();
    AppError error;
    QVERIFY(!gConn->execute("select 1", &error));
    QCOMPARE(error.number, DbError::ClosedObject);
    QVERIFY(!gConn->beginTrans(&error));
    QCOMPARE(error.number, DbError::ClosedObject);
    // OpenRs opens the closed connection first.
    RecordsetPtr rs;
    QVERIFY(OpenRs(rs, "select count(*) from CS"));
    QVERIFY(gConn->isOpen());
}

void TstSqliteConnection::lockedDatabaseTimesOutAndChangesNothing() {
    DbTestDatabase::OtherWriter other(m_file, "UPDATE CS SET DMMC='他站' WHERE id=2");
    QVERIFY(other.holdsLock());

    QVERIFY(!ExecSql("Update CS Set DMMC='本站' Where ID=1"));
    QCOMPARE(m_messages->count(), 1);
    QVERIFY(m_messages->last().text.startsWith(QStringLiteral("错误号：  -2147217871\r\n")));
    QVERIFY(!ExecSql("exec P_YJZX 'D1','检验科'"));
    // Reading still works while the other workstation writes.
    RecordsetPtr rs;
    QVERIFY(OpenRs(rs, "select DMMC from CS where id=1"));
    QCOMPARE(rs->text(0), QStringLiteral("检验科"));

    QVERIFY(other.rollback());
    QCOMPARE(count("select count(*) from MZ_KFDJMX where ZXBZ=1"), QStringLiteral("0"));
    QVERIFY(ExecSql("Update CS Set DMMC='本站' Where ID=1"));
    QCOMPARE(count("select DMMC from CS where id=1"), QStringLiteral("本站"));
}

void TstSqliteConnection::readingUnitRunsWhileAnotherWorkstationWrites() {
    DbTestDatabase::OtherWriter other(m_file, "UPDATE MZ_KFDJMX SET ZXBZ=1");
    QVERIFY(other.holdsLock());

    // A procedure that only reads, and a batch of reads, see the last committed rows at once.
    RecordsetPtr rs;
    QVERIFY(OpenRs(rs, "Exec Get_YJMX '检验科','D1'"));
    QCOMPARE(rs->RecordCount(), 2);
    QVERIFY(OpenRs(rs, "select count(*) from CS\nselect count(*) from MZ_KFDJMX where ZXBZ=0"));
    QCOMPARE(rs->text(0), count("select count(*) from MZ_KFDJMX where ZXBZ=0"));
    QCOMPARE(m_messages->count(), 0);
    // The unit left no transaction behind: a writing procedure still waits for the lock and fails.
    QVERIFY(!gConn->inTransaction());
    AppError error;
    QVERIFY(!gConn->execute("exec P_YJZX 'D1','检验科'", &error));
    QCOMPARE(error.number, DbError::LockTimeout);

    QVERIFY(other.rollback());
    QVERIFY(gConn->execute("exec P_YJZX 'D1','检验科'", &error));
}

void TstSqliteConnection::lostDatabaseIsReopenedOnceItIsBack() {
    RecordsetPtr rs;
    QVERIFY(OpenRs(rs, "select count(*) from CS"));
    const QString away = m_folder->file("elsewhere.db");
    QVERIFY(QFile::rename(m_file, away));

    QVERIFY(!OpenRs(rs, "select count(*) from CS"));
    QVERIFY(!rs);
    QCOMPARE(m_messages->count(), 1);
    QVERIFY2(m_messages->last().text.startsWith(QStringLiteral("错误号：  -2147467259\r\n")),
             qPrintable(m_messages->last().text));
    QVERIFY(!gConn->isOpen()); // closed; the reopen comes from the event loop and fails:
    QCOMPARE(m_failures.size(), 0);
    QTRY_COMPARE(m_failures.size(), 1); // the settings dialog's place
    QVERIFY(!QFile::exists(m_file));    // and no empty database was made

    QVERIFY(!ExecSql("Update CS Set DMMC='x'"));

    QVERIFY(QFile::rename(away, m_file));
    QVERIFY(OpenRs(rs, "select count(*) from CS"));
    QCOMPARE(rs->text(0), QStringLiteral("2"));
    QVERIFY(ExecSql("Update CS Set DMMC='回来了' Where ID=1"));
    QCOMPARE(count("select DMMC from CS where id=1"), QStringLiteral("回来了"));
}

void TstSqliteConnection::replacedDatabaseIsNeitherCorruptedNorUndone() {
    // The copy that IT staff restore: the database as it is now.
    const QString backup = m_folder->file("backup.db");
    QVERIFY(DbTestDatabase::run(m_file, {"VACUUM INTO '" + backup + "'"}));
    // Another workstation keeps the file open, so the changes below stay in its log.
    Connection other;
    other.setConnectionString(m_connStr);
    QVERIFY(other.open());
    QVERIFY(other.execute("select count(*) from CS"));
    for (int i = 0; i < 30; ++i)
        QVERIFY(ExecSql(QStringLiteral("Insert Into DAGL_ZD Values('L%1','later','0')").arg(i)));

    QCOMPARE(std::rename(QFile::encodeName(backup).constData(), QFile::encodeName(m_file).constData()), 0);
    QVERIFY(!ExecSql("Insert Into DAGL_ZD Values('LOST','x','0')"));
    QVERIFY2(m_messages->last().text.contains(QStringLiteral("已被替换")),
             qPrintable(m_messages->last().text));
    // Once the lost-link road has reopened the connection, statements run on the restored file
    // as it is.
    QTRY_VERIFY(gConn->isOpen());
    QVERIFY(ExecSql("Insert Into DAGL_ZD Values('NEW','x','0')"));
    QCOMPARE(count("select count(*) from DAGL_ZD where DM like 'L%'"), QStringLiteral("0"));
    QVERIFY(!other.execute("select count(*) from CS"));
    other.close();
    QCOMPARE(count("pragma integrity_check"), QStringLiteral("ok"));
    QCOMPARE(count("select group_concat(DM) from DAGL_ZD where DM='NEW' or DM like 'L%'"),
             QStringLiteral("NEW"));
}

// On a real file system of 3 MB (a tmpfs, which needs root to mount; skipped otherwise), with
// another workstation reading so that the log cannot be checkpointed meanwhile.
void TstSqliteConnection::fullDiskIsReportedAndOutlived() {
    const QString disk = m_folder->file("disk");
    QVERIFY(QDir().mkpath(disk));
    if (::geteuid() != 0 || ::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=3m") != 0)
        QSKIP("a small tmpfs cannot be mounted here");
    const auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(disk).constData(), MNT_DETACH); });
    const QString file = disk + "/hospital.db";
    resetGlobalConnection(DbTestDatabase::create(file));
    OpenConn();
    QVERIFY(gConn->isOpen());
    sqlite3* reader = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(file).constData(), &reader), SQLITE_OK);
    const auto closeReader = qScopeGuard([&] { sqlite3_close(reader); });
    QCOMPARE(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM CS;", nullptr, nullptr, nullptr), SQLITE_OK);
    QFile filler(disk + "/filler");
    QVERIFY(filler.open(QIODevice::WriteOnly));
    filler.write(QByteArray(1500 * 1024, 'x'));
    filler.close();

    int written = 0;
    while (written < 5000 &&
           ExecSql(QStringLiteral("Insert Into DAGL_ZD Values('F%1',hex(zeroblob(800)),'0')").arg(written)))
        ++written;
    QVERIFY(written < 5000);
    QVERIFY2(m_messages->last().text.contains(QStringLiteral("磁盘已满")),
             qPrintable(m_messages->last().text));
    QVERIFY(gConn->isOpen());
    QVERIFY(!ExecSql("Insert Into DAGL_ZD Values('STILL','x','0')"));

    QVERIFY(QFile::remove(disk + "/filler"));
    QVERIFY(ExecSql("Insert Into DAGL_ZD Values('AFTER','x','0')"));
    RecordsetPtr rs;
    QVERIFY(OpenRs(rs, "select count(*) from DAGL_ZD where DM like 'F%' or DM='AFTER' or DM='STILL'"));
    QCOMPARE(rs->text(0), QString::number(written + 1));
    QVERIFY(OpenRs(rs, "pragma integrity_check"));
    QCOMPARE(rs->text(0), QStringLiteral("ok"));
    gConn->close();
}

void TstSqliteConnection::traceRecordsStatementsAsBuilt() {
    const QString trace = m_folder->file("trace.log");
    qputenv("YJGL_SQL_TRACE", trace.toLocal8Bit());
    const QString batch = "Delete CS Where id Like'1'\nDelete CS Where id Like'2'";
    RecordsetPtr rs;
    QVERIFY(OpenRs(rs, "SELECT top 1 GETDATE() FROM sysobjects"));
    QVERIFY(ExecSql(batch));
    QVERIFY(!ExecSql("select * from NoSuchTable"));
    QVERIFY(gConn->execute("exec Get_YJMX 'O''Brien','D1'"));
    qunsetenv("YJGL_SQL_TRACE");
    QVERIFY(ExecSql("select 1"));

    const QVector<SqlTrace::Entry> entries = SqlTrace::read(trace);
    QCOMPARE(SqlTrace::readStatements(trace),
             (QStringList{"SELECT top 1 GETDATE() FROM sysobjects", batch, "select * from NoSuchTable",
                          "exec Get_YJMX 'O''Brien','D1'"}));
    for (const SqlTrace::Entry& e : entries) {
        QVERIFY(e.time.isValid());
        QVERIFY(e.elapsedMs >= 0);
        QVERIFY(qAbs(e.time.secsTo(QDateTime::currentDateTime())) < 60);
    }
}

void TstSqliteConnection::traceIsOwnerOnlyAndHidesPasswords() {
    const QString trace = m_folder->file("trace.log");
    qputenv("YJGL_SQL_TRACE", trace.toLocal8Bit());
    RecordsetPtr rs; // no user table here: statements are traced whether they work or not
    OpenRs(rs, "select * from userdb where username like 'admin' and password like 'se''cret'");
    ExecSql("update  userdb set password='n3w'where username like'admin'");
    qunsetenv("YJGL_SQL_TRACE");
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    QCOMPARE(QFile::permissions(trace) & (ownerOnly | others), ownerOnly);
    QCOMPARE(SqlTrace::readStatements(trace),
             (QStringList{"select * from userdb where username like 'admin' and password like '***'",
                          "update  userdb set password='***'where username like'admin'"}));
    // Half of a character pair (typed text cut at a length limit) must not unmask the value.
    const QString cut = QStringLiteral("password like 'a") + QChar(0xD83D) + QStringLiteral("b'");
    QCOMPARE(SqlTrace::maskPasswords(cut), QStringLiteral("password like '***'"));
}

void TstSqliteConnection::idleLogIsEmptiedForTheNextFile() {
    const QString wal = m_file + QStringLiteral("-wal");
    // A burst of executions, each a transaction of its own.
    for (int i = 0; i < 49; ++i) {
        QVERIFY(gConn->beginTrans());
        QVERIFY(gConn->execute(
            QStringLiteral("Insert Into MZ_YJZX(ZXDH,DH,ZXR,KSMC) Values('%1','D%1','张三','检验科')")
                .arg(i)));
        QVERIFY(gConn->commitTrans());
    }
    QVERIFY(QFileInfo(wal).size() > 0);
    // Some seconds after the last write, with the workstation idle, the log is empty.
    QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(wal).size(), qint64(0), 10000);
    QCOMPARE(count("select count(*) from MZ_YJZX"), QStringLiteral("49"));

    // A restored file moved in meanwhile is what another program then opens, nothing else.
    const QString restored = m_folder->file("restored.db");
    QVERIFY(DbTestDatabase::run(restored, {"CREATE TABLE restored(x)", "INSERT INTO restored VALUES(7)"}));
    QCOMPARE(std::rename(QFile::encodeName(restored).constData(), QFile::encodeName(m_file).constData()), 0);
    QCOMPARE(count("select x from restored"), QStringLiteral("7"));
    QCOMPARE(count("select count(*) from sqlite_master where name='MZ_YJZX'"), QStringLiteral("0"));
}

QTEST_GUILESS_MAIN(TstSqliteConnection)
#include "tst_SqliteConnection.moc"
