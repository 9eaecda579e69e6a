#include "db/Recordset.h"
#include "db/documents/DocumentStatements.h"
#include "db/documents/ItemRows.h"
#include "execution/core/DayNumber.h"
#include "execution/core/ExecutionRules.h"
#include "execution/core/ExecutionStatements.h"

#include <QTest>

class ExecutionCoreTest : public QObject {
    Q_OBJECT
private slots:
    void statementTexts();
    void statementValuesAreQuoted();

    void nextDayNumber_data();
    void nextDayNumber();
    void nextDayNumberRejectsNonNumericCounter();
    void nextFreeNumberSkipsOtherDaysAndLongCounters();

    void autoRefreshSwitch_data();
    void autoRefreshSwitch();
    void printedMarking_data();
    void printedMarking();
    void pendingCounts();

    void executionChecksInOrder();

    void fixedFormats_data();
    void fixedFormats();
    void itemRowColumns();
    void itemRowGroupAndStockFlag_data();
    void itemRowGroupAndStockFlag();
    void totalFromRawValues();
    void groupNumberForColours();
};

void ExecutionCoreTest::statementTexts() {
    const QDate d1(2026, 1, 5);
    const QDate d2(2026, 12, 7);
    QCOMPARE(ExecutionSql::departmentList(),
             QStringLiteral("Select DMMC FROM CS WHERE ControlID Like'ZXKS'"));
    QCOMPARE(ExecutionSql::autoRefreshConfig(),
             QStringLiteral("select Item_Value from QKZL_CONFIG Where Item_Name Like'ZDFY'"));
    QCOMPARE(ExecutionSql::pendingList(QStringLiteral("检验科"), d1, d2),
             QStringLiteral("exec YJ_List '检验科','2026-01-05 00:00:00','2026-12-07 23:59:59'"));
    QCOMPARE(ExecutionSql::markPrinted(QStringLiteral("2026120700001"), true),
             QStringLiteral("Update ZY_KFDJ SET Isprint=1 Where DH Like'2026120700001'"));
    QCOMPARE(ExecutionSql::markPrinted(QStringLiteral("2026120700001"), false),
             QStringLiteral("Update Mz_KFDJ SET Isprint=1 Where DH Like'2026120700001'"));
    QCOMPARE(DocumentSql::outpatientHead(QStringLiteral("D1")),
             QStringLiteral("select TS,NL,XM,XB,KDYS,KDRQ from mz_kfdj Where DH like'D1'"));
    QCOMPARE(DocumentSql::inpatientHead(QStringLiteral("D1")),
             QStringLiteral("Select XM,XB,KDYS,KDRQ,ZYH,CWH from ZY_KFDJ Where DH Like'D1'"));
    QCOMPARE(DocumentSql::items(QStringLiteral("放射科"), QStringLiteral("D1")),
             QStringLiteral("Exec Get_YJMX '放射科','D1'"));
    QCOMPARE(ExecutionSql::prescriptionLookup(QStringLiteral("2026120700001"), QStringLiteral("放射科")),
             QStringLiteral("Exec SP_MZ_CF '2026120700001','放射科'"));
    QCOMPARE(ExecutionSql::users(), QStringLiteral("select * from userdb"));
    QCOMPARE(ExecutionSql::insertExecution(QStringLiteral("202612070001"), QStringLiteral("D1"),
                                           QStringLiteral("张三"), QStringLiteral("李四"),
                                           QStringLiteral("检验科"), QStringLiteral("王五")),
             QStringLiteral("Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM) "
                            "Values('202612070001','D1','张三','李四','检验科','王五')"));
    QCOMPARE(ExecutionSql::finishExecution(QStringLiteral("D1"), QStringLiteral("检验科")),
             QStringLiteral("Exec P_YJZX 'D1','检验科'"));
    QCOMPARE(ExecutionSql::newestNumberOfDay(QStringLiteral("FYDH"), QStringLiteral("MZ_FYDJ"),
                                             QStringLiteral("FYRQ"), d2),
             QStringLiteral("select top 1 FYDH From MZ_FYDJ Where FYRQ Between '2026-12-07 00:00:00' and "
                            "'2026-12-07 23:59:59' order by id desc"));
}

void ExecutionCoreTest::statementValuesAreQuoted() {
    // A quote in a name must neither break the statement nor change it.
    QCOMPARE(ExecutionSql::insertExecution(QStringLiteral("1"), QStringLiteral("D'1"),
                                           QStringLiteral("O'Brien"), QString(), QStringLiteral("科'"),
                                           QStringLiteral("x')--")),
             QStringLiteral("Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM) "
                            "Values('1','D''1','O''Brien','','科''','x'')--')"));
    QCOMPARE(ExecutionSql::pendingList(QStringLiteral("a'b"), QDate(2026, 1, 1), QDate(2026, 1, 1)),
             QStringLiteral("exec YJ_List 'a''b','2026-01-01 00:00:00','2026-01-01 23:59:59'"));
    QCOMPARE(ExecutionSql::markPrinted(QStringLiteral("'; delete from MZ_YJZX"), false),
             QStringLiteral("Update Mz_KFDJ SET Isprint=1 Where DH Like'''; delete from MZ_YJZX'"));
}

void ExecutionCoreTest::nextDayNumber_data() {
    QTest::addColumn<QString>("newest");
    QTest::addColumn<QString>("next");
    QTest::newRow("none today") << QString() << "202612070001";
    QTest::newRow("0001") << "202612070001"
                          << "202612070002";
    QTest::newRow("0009") << "202612070009"
                          << "202612070010";
    QTest::newRow("0099") << "202612070099"
                          << "202612070100";
    QTest::newRow("0999") << "202612070999"
                          << "202612071000";
    QTest::newRow("9999 grows to 13") << "202612079999"
                                      << "2026120710000";
    QTest::newRow("after 10000 wraps") << "2026120710000"
                                       << "202612070001";
    QTest::newRow("short stored number") << "12"
                                         << "202612070013";
    QTest::newRow("one character") << "7"
                                   << "202612070008";
    // The counter is read from the stored number; the date part is always today's.
    QTest::newRow("yesterday's number") << "202612060041"
                                        << "202612070042";
}

void ExecutionCoreTest::nextDayNumber() {
    QFETCH(QString, newest);
    QFETCH(QString, next);
    QString got;
    AppError error;
    QVERIFY(NextDayNumber(newest, QDate(2026, 12, 7), &got, &error));
    QCOMPARE(got, next);
    QVERIFY(got.startsWith(QStringLiteral("20261207")));
}

void ExecutionCoreTest::nextDayNumberRejectsNonNumericCounter() {
    QString got = QStringLiteral("stale");
    AppError error;
    QVERIFY(!NextDayNumber(QStringLiteral("20261207ABCD"), QDate(2026, 12, 7), &got, &error));
    QVERIFY(got.isEmpty());
    QCOMPARE(error.number, 13);
    QVERIFY(error.isSet());
}

void ExecutionCoreTest::nextFreeNumberSkipsOtherDaysAndLongCounters() {
    const QDate today(2026, 12, 7);
    QCOMPARE(NextFreeDayNumber({}, today), QStringLiteral("202612070001"));
    // Yesterday's high counters do not count; today's highest does, also past 9999.
    QCOMPARE(NextFreeDayNumber({"202612069999", "202612070003", "202612070002"}, today),
             QStringLiteral("202612070004"));
    QCOMPARE(NextFreeDayNumber({"202612079999", "2026120710000", "202612070001"}, today),
             QStringLiteral("2026120710001"));
    // Garbage of the day is ignored rather than trusted.
    QCOMPARE(NextFreeDayNumber({"20261207", "20261207XY", "202612070010 "}, today),
             QStringLiteral("202612070011"));
    // A counter at the top of the 64-bit range goes one further instead of wrapping negative.
    QCOMPARE(NextFreeDayNumber({"202612079223372036854775807", "202612070002"}, today),
             QStringLiteral("202612079223372036854775808"));
}

void ExecutionCoreTest::autoRefreshSwitch_data() {
    QTest::addColumn<bool>("readOk");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("off");
    QTest::newRow("text 1") << true << QVariant(QStringLiteral("1")) << true;
    QTest::newRow("number 1") << true << QVariant(1) << true;
    QTest::newRow("bool true") << true << QVariant(true) << true;
    QTest::newRow("text true") << true << QVariant(QStringLiteral("True")) << true;
    QTest::newRow("number -1 (true)") << true << QVariant(-1) << true;
    QTest::newRow("missing row") << false << QVariant() << true;
    QTest::newRow("text 0") << true << QVariant(QStringLiteral("0")) << false;
    QTest::newRow("number 0") << true << QVariant(0) << false;
    QTest::newRow("bool false") << true << QVariant(false) << false;
    QTest::newRow("text 2") << true << QVariant(QStringLiteral("2")) << false;
    QTest::newRow("text yes") << true << QVariant(QStringLiteral("yes")) << false;
    QTest::newRow("empty text") << true << QVariant(QString()) << false;
    QTest::newRow("null value") << true << QVariant() << false;
}

void ExecutionCoreTest::autoRefreshSwitch() {
    QFETCH(bool, readOk);
    QFETCH(QVariant, value);
    QFETCH(bool, off);
    QCOMPARE(AutoRefreshSwitchedOff(readOk, value), off);
}

void ExecutionCoreTest::printedMarking_data() {
    QTest::addColumn<QString>("lx");
    QTest::addColumn<QVariant>("isPrint");
    QTest::addColumn<bool>("marked");
    const QString zy = QStringLiteral("住院");
    const QString mz = QStringLiteral("门诊");
    QTest::newRow("inpatient null") << zy << QVariant() << true;
    QTest::newRow("inpatient false") << zy << QVariant(false) << true;
    QTest::newRow("inpatient 0") << zy << QVariant(0) << true;
    QTest::newRow("inpatient true") << zy << QVariant(true) << false;
    QTest::newRow("inpatient 1") << zy << QVariant(1) << false;
    QTest::newRow("outpatient null") << mz << QVariant() << true;
    QTest::newRow("outpatient false") << mz << QVariant(false) << false;
    QTest::newRow("outpatient 0") << mz << QVariant(0) << false;
    QTest::newRow("outpatient 1") << mz << QVariant(1) << false;
    QTest::newRow("empty type counts as outpatient") << QString() << QVariant(0) << false;
}

void ExecutionCoreTest::printedMarking() {
    QFETCH(QString, lx);
    QFETCH(QVariant, isPrint);
    QFETCH(bool, marked);
    QCOMPARE(NeedsPrintedMark(lx, isPrint), marked);
}

void ExecutionCoreTest::pendingCounts() {
    PendingCounts none;
    QCOMPARE(none.outpatientText(), QStringLiteral("门诊:0张"));
    QCOMPARE(none.inpatientText(), QStringLiteral("住院:0张"));

    PendingCounts c;
    for (const QString& lx : {QStringLiteral("住院"), QStringLiteral("门诊"), QString(),
                              QStringLiteral("急诊"), QStringLiteral("住院 "), QStringLiteral("住院")})
        c.add(lx);
    QCOMPARE(c.inpatientText(), QStringLiteral("住院:2张"));
    QCOMPARE(c.outpatientText(), QStringLiteral("门诊:4张"));
}

void ExecutionCoreTest::executionChecksInOrder() {
    const QStringList listed{QStringLiteral(" A1 "), QStringLiteral("B2")};
    // No document beats everything else, even an empty list and no ticks.
    QCOMPARE(CheckExecution(QString(), {}, {}), ExecutionRefusal::NoDocument);
    QCOMPARE(CheckExecution(QStringLiteral("C3"), listed, {true}), ExecutionRefusal::NotListed);
    QCOMPARE(CheckExecution(QStringLiteral("C3"), listed, {}), ExecutionRefusal::NotListed);
    QCOMPARE(CheckExecution(QStringLiteral("A1"), listed, {}), ExecutionRefusal::NoItemTicked);
    QCOMPARE(CheckExecution(QStringLiteral("A1"), listed, {false, false}), ExecutionRefusal::NoItemTicked);
    // Blanks around the number do not matter; one tick is enough.
    QCOMPARE(CheckExecution(QStringLiteral("A1 "), listed, {false, true, false}), ExecutionRefusal::None);
    // An inpatient document has no items listed; it still needs a chosen, listed number.
    QCOMPARE(CheckExecution(QStringLiteral("A1"), listed, {}, true), ExecutionRefusal::None);
    QCOMPARE(CheckExecution(QStringLiteral("C3"), listed, {}, true), ExecutionRefusal::NotListed);
    QCOMPARE(CheckExecution(QString(), listed, {}, true), ExecutionRefusal::NoDocument);
    QCOMPARE(RefusalText(ExecutionRefusal::NoDocument), QStringLiteral("请先选择您要执行的处方单号"));
    QCOMPARE(RefusalText(ExecutionRefusal::NotListed),
             QStringLiteral("单据列表中未找到该单号，可能是该单号刚才已经在另一个医技科室中执行了。"));
    QCOMPARE(RefusalText(ExecutionRefusal::NoItemTicked), QStringLiteral("至少要选择一个项目执行"));
    QCOMPARE(ConfirmExecutionText(QStringLiteral("王五")), QStringLiteral("你确认要执行此单据【王五】吗?"));
}

void ExecutionCoreTest::fixedFormats_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("price 2.5") << QVariant(2.5) << 3 << "2.500";
    QTest::newRow("amount 2.5") << QVariant(2.5) << 2 << "2.50";
    QTest::newRow("half up on the written value") << QVariant(1.005) << 2 << "1.01";
    QTest::newRow("negative half") << QVariant(-1.005) << 2 << "-1.01";
    QTest::newRow("carry into integer") << QVariant(9.995) << 2 << "10.00";
    QTest::newRow("zero") << QVariant(0) << 2 << "0.00";
    QTest::newRow("tiny negative") << QVariant(-0.001) << 2 << "0.00";
    QTest::newRow("integer") << QVariant(12) << 3 << "12.000";
    QTest::newRow("numeric text") << QVariant(QStringLiteral("3.14159")) << 3 << "3.142";
    QTest::newRow("big") << QVariant(1234567.125) << 2 << "1234567.13";
    QTest::newRow("null") << QVariant() << 2 << "";
    QTest::newRow("not a number") << QVariant(QStringLiteral("abc")) << 2 << "abc";
}

void ExecutionCoreTest::fixedFormats() {
    QFETCH(QVariant, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(ItemRows::FormatFixed(value, decimals), text);
}

static Recordset itemRecordset(const QVector<QVector<QVariant>>& rows) {
    return Recordset(
        {"GroupYP", "BM", "PM", "GG", "DW", "SL", "DJ", "SSJE", "KCL", "LX", "SFJKC", "CLB", "ID"}, rows);
}

void ExecutionCoreTest::itemRowColumns() {
    Recordset rs =
        itemRecordset({{3, "X001", "血常规", "1次", "次", 2, 2.5, 5, QVariant(), "检验", 1, 1, 77}});
    rs.MoveFirst();
    const QStringList row = ItemRows::FormatRow(rs, ItemRows::Fields(rs));
    QCOMPARE(row.size(), ItemRows::kColumnCount);
    QCOMPARE(row, (QStringList{"1", "3", "X001", "血常规", "1次", "次", "2", "2.500", "5.00", "", "检验", "1",
                               "1", "77"}));
    QCOMPARE(ItemRows::Headers().size(), ItemRows::kColumnCount + 1);
    QCOMPARE(ItemRows::Headers().at(12), QStringLiteral("是否减库存"));
}

void ExecutionCoreTest::itemRowGroupAndStockFlag_data() {
    QTest::addColumn<QVariant>("group");
    QTest::addColumn<QVariant>("sfjkc");
    QTest::addColumn<QString>("groupText");
    QTest::addColumn<QString>("stockText");
    QTest::newRow("numeric group, true") << QVariant(2) << QVariant(true) << "2"
                                         << "1";
    QTest::newRow("null group, number 1") << QVariant() << QVariant(1) << "1"
                                          << "1";
    QTest::newRow("letter group, text 1") << QVariant("A") << QVariant("1") << "1"
                                          << "1";
    QTest::newRow("empty group, false") << QVariant("") << QVariant(false) << "1"
                                        << "0";
    QTest::newRow("numeric text group, 0") << QVariant("4") << QVariant(0) << "4"
                                           << "0";
    QTest::newRow("group, null flag") << QVariant(5) << QVariant() << "5"
                                      << "0";
    QTest::newRow("group, other flag") << QVariant(6) << QVariant("Y") << "6"
                                       << "0";
    QTest::newRow("group, flag 2") << QVariant(7) << QVariant(2) << "7"
                                   << "0";
}

void ExecutionCoreTest::itemRowGroupAndStockFlag() {
    QFETCH(QVariant, group);
    QFETCH(QVariant, sfjkc);
    QFETCH(QString, groupText);
    QFETCH(QString, stockText);
    Recordset rs = itemRecordset({{group, "B", "P", "G", "D", 1, 1, 1, 1, "L", sfjkc, 1, 1}});
    rs.MoveFirst();
    const QStringList row = ItemRows::FormatRow(rs, ItemRows::Fields(rs));
    QCOMPARE(row.at(1), groupText);
    QCOMPARE(row.at(11), stockText);
}

void ExecutionCoreTest::totalFromRawValues() {
    Recordset rs = itemRecordset({{1, "B", "P", "G", "D", 1, 1.005, 1.005, 1, "L", 1, 1, 1},
                                  {1, "B", "P", "G", "D", 1, 1.005, 1.005, 1, "L", 1, 1, 2},
                                  {1, "B", "P", "G", "D", 1, 1, QVariant(), 1, "L", 1, 1, 3}});
    double total = 0;
    QStringList shown;
    const ItemRows::Fields fields(rs);
    rs.MoveFirst();
    for (int i = 0; i < rs.RecordCount(); ++i) {
        shown << ItemRows::FormatRow(rs, fields).at(ItemRows::kAmountColumn - 1);
        total += ItemRows::RawAmount(rs, fields);
        rs.MoveNext();
    }
    // Each amount shows 1.01, yet the total is 2.01, not 2.02.
    QCOMPARE(shown, (QStringList{"1.01", "1.01", ""}));
    QCOMPARE(ItemRows::FormatFixed(total, 2), QStringLiteral("2.01"));
}

void ExecutionCoreTest::groupNumberForColours() {
    QCOMPARE(ItemRows::GroupNumber(QStringLiteral("2")), 2);
    QCOMPARE(ItemRows::GroupNumber(QStringLiteral("A")), 1);
    QCOMPARE(ItemRows::GroupNumber(QString()), 1);
    QCOMPARE(ItemRows::GroupNumber(QStringLiteral("2.6")), 3);
    QCOMPARE(ItemRows::GroupNumber(QStringLiteral("-4")), -4);
    // Group values past 64 bits colour as the even numbers they are (the float-cast-overflow
    // sanitizer catches a plain cast here).
    QCOMPARE(ItemRows::GroupNumber(QStringLiteral("1e19")) % 2, Q_INT64_C(0));
    QCOMPARE(ItemRows::GroupNumber(QStringLiteral("-1e300")) % 2, Q_INT64_C(0));
}

QTEST_APPLESS_MAIN(ExecutionCoreTest)
#include "tst_execution_core.moc"
