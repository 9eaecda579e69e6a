#include "db/Recordset.h"
#include "db/documents/DocumentStatements.h"
#include "queries/core/QueryLoads.h"
#include "queries/core/QueryStatements.h"

#include <QTest>

class QueriesCoreTest : public QObject {
    Q_OBJECT
private slots:
    void statementTexts();
    void conditionsChooseTheStatement();
    void listRowsShowEveryRecord();
};

// The texts the hospital database's other programs expect.
void QueriesCoreTest::statementTexts() {
    const QDate from(2026, 12, 1);
    const QDate to(2026, 12, 7);
    QCOMPARE(
        QuerySql::executedByDate("检验科", "张三", "%", from, to),
        QString(
            "Select * FROM MZ_YJZX Where SFZF=0 AND  KSMC Like'检验科' AND ZXR Like'张三' AND FHR Like'%' "
            "AND ZXSJ Between '2026-12-01 00:00:00' And '2026-12-07 23:59:59'"));
    QCOMPARE(QuerySql::executedByNumber("检验科", "12"),
             QString("Select * FROM MZ_YJZX Where SFZF=0 AND  KSMC Like'检验科' AND DH Like'12%'"));
    QCOMPARE(
        QuerySql::voidedByDate("检验科", "%", from, to),
        QString("Select * FROM MZ_YJZX Where SFZF=1 AND  KSMC Like'检验科' AND ZFR Like'%' AND ZFRQ Between "
                "'2026-12-01 00:00:00' And '2026-12-07 23:59:59'"));
    QCOMPARE(
        DocumentSql::departmentItems("检验科", "D1"),
        QString("Select A.BM,A.PM,A.GG,A.DW,A.SL,A.DJ,A.SSJE From MZ_KFDJMX A ,YF_YPML B Where A.BM=B.YPBM "
                "AND B.ZXKS='检验科' AND A.DH='D1'"));
    QCOMPARE(QuerySql::users(), QString("select username from userdb"));
    // Typed wildcards stay wildcards; a typed quote stays a character.
    QVERIFY(QuerySql::executedByNumber("检验科", "1_'2").endsWith("DH Like'1_''2%'"));
}

void QueriesCoreTest::conditionsChooseTheStatement() {
    QueryConditions c{"全部", "", "  12 ", QDate(2026, 12, 9), QDate(2026, 12, 7)};
    QVERIFY(IsNumberQuery(c));
    QCOMPARE(ExecutedListStatement("检验科", c), QuerySql::executedByNumber("检验科", "12"));
    c.number = " ";
    QVERIFY(!IsNumberQuery(c));
    QCOMPARE(ExecutedListStatement("检验科", c), QuerySql::executedByDate("检验科", "%", "%", c.from, c.to));
    c.user = "李四";
    QCOMPARE(VoidedListStatement("检验科", c), QuerySql::voidedByDate("检验科", "李四", c.from, c.to));
}

void QueriesCoreTest::listRowsShowEveryRecord() {
    Recordset rs({"ZFRQ", "DH", "ZFR", "xm", "ZXDH"},
                 {{"2026-12-07 23:59:58", "D1", QVariant(), "甲", "N1"},
                  {QDateTime(QDate(2026, 12, 8), QTime(0, 0)), "D2", "王五", QVariant(), "N2"},
                  {QVariant(), "D3", "", "", ""}});
    const QVector<TextRow> rows = QueryRows::ListRows(rs, QueryRows::VoidedColumns());
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).toStringList(), (QStringList{"2026-12-07 23:59", "D1", "", "甲", "N1"}));
    QCOMPARE(rows.at(1).cell(0), QString("2026-12-08 00:00"));
    QCOMPARE(rows.at(2).toStringList(), (QStringList{"", "D3", "", "", ""}));
}

QTEST_MAIN(QueriesCoreTest)
#include "tst_queries_core.moc"
