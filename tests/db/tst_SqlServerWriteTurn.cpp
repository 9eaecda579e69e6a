// The write turn a transaction takes on SQL Server. No server runs here: the batch is pinned as
// SQL Server documents sp_getapplock (an exclusive lock owned by the transaction, the wait in
// milliseconds, the procedure's return code read back), and the answers are read as documented.
#include "db/DbErrors.h"
#include "db/SqlServerWriteTurn.h"

#include <QtTest>

class TstSqlServerWriteTurn : public QObject {
    Q_OBJECT

private slots:
    void batchAsksForAnExclusiveTransactionLock() {
        QCOMPARE(
            SqlServerWriteTurn::statement(10000),
            QStringLiteral("DECLARE @yjgl_turn int; EXEC @yjgl_turn = sp_getapplock @Resource = N'YJGL', "
                           "@LockMode = 'Exclusive', @LockOwner = 'Transaction', @LockTimeout = 10000; "
                           "SELECT @yjgl_turn AS yjgl_turn"));
        // No wait at all would be no turn at all: at least a millisecond.
        QVERIFY(SqlServerWriteTurn::statement(0).contains(QStringLiteral("@LockTimeout = 1;")));
    }

    void answersAreReadAsDocumented_data() {
        QTest::addColumn<QVariant>("code");
        QTest::addColumn<bool>("granted");
        QTest::addColumn<qint64>("number");
        QTest::newRow("at once") << QVariant(0) << true << qint64(0);
        QTest::newRow("after a wait") << QVariant(1) << true << qint64(0);
        QTest::newRow("timeout") << QVariant(-1) << false << DbError::LockTimeout;
        QTest::newRow("cancelled") << QVariant(-2) << false << DbError::StatementFailed;
        QTest::newRow("deadlock") << QVariant(-3) << false << DbError::LockTimeout;
        QTest::newRow("call error") << QVariant(-999) << false << DbError::StatementFailed;
        QTest::newRow("null") << QVariant() << false << DbError::StatementFailed;
    }

    void answersAreReadAsDocumented() {
        QFETCH(QVariant, code);
        QFETCH(bool, granted);
        QFETCH(qint64, number);
        const Recordset answer({QStringLiteral("yjgl_turn")}, QVector<QVector<QVariant>>{{code}});
        AppError error;
        QCOMPARE(SqlServerWriteTurn::granted(&answer, &error), granted);
        QCOMPARE(error.number, number);
        QVERIFY(granted || !error.description.isEmpty());
    }

    void noAnswerIsNoTurn() {
        AppError error;
        QVERIFY(!SqlServerWriteTurn::granted(nullptr, &error));
        const Recordset empty;
        QVERIFY(!SqlServerWriteTurn::granted(&empty, &error));
        QVERIFY(error.isSet());
    }
};

QTEST_GUILESS_MAIN(TstSqlServerWriteTurn)
#include "tst_SqlServerWriteTurn.moc"
