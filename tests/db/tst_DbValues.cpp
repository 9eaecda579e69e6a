#include "common/core/ProgramFolder.h"
#include "db/ConnectionString.h"
#include "db/Recordset.h"
#include "db/SqlTrace.h"
#include "db/StatementHelpers.h"

#include <QTemporaryDir>
#include <QtTest>

class TstDbValues : public QObject {
    Q_OBJECT

private slots:
    void recordsetCursorAndFields();
    void recordsetNullIsNotEmptyText();
    void recordsetValueReadings();
    void emptyRecordset();
    void packedRowsReadAsGivenAndCompareExactly();
    void cellValueReadsOneCellAsValueDoes();

    void sqlTextDoublesQuotes();
    void recordExistsStatementText();

    void connectionStringKinds();
    void connectionStringValues();
    void odbcTextForSqlServer();
    void odbcTextForADataSource();
    void odbcTextEscapesBraces();
    void sqliteFileRelativeToProgramFolder();

    void traceEscapesAndReadsBack();
};

void TstDbValues::recordsetCursorAndFields() {
    Recordset rs({"DH", "XM"},
                 {{QStringLiteral("1"), QStringLiteral("张三")}, {QStringLiteral("2"), QVariant()}});
    QCOMPARE(rs.RecordCount(), 2);
    QCOMPARE(rs.fieldCount(), 2);
    QCOMPARE(rs.fieldIndex("xm"), 1);
    QCOMPARE(rs.fieldIndex("nope"), -1);
    QVERIFY(!rs.isEOF());
    QCOMPARE(rs.text("xm"), QStringLiteral("张三"));
    QCOMPARE(rs.text(0), QStringLiteral("1"));
    rs.MoveNext();
    QCOMPARE(rs.text("DH"), QStringLiteral("2"));
    rs.MoveNext();
    QVERIFY(rs.isEOF());
    rs.MoveNext(); // stays at the end
    QCOMPARE(rs.position(), 2);
    QVERIFY(!rs.value(0).isValid()); // off the rows: null
    rs.MoveFirst();
    QCOMPARE(rs.text("DH"), QStringLiteral("1"));
    QVERIFY(!rs.value("missing").isValid());
    QVERIFY(!rs.value(7).isValid());
}

void TstDbValues::recordsetNullIsNotEmptyText() {
    Recordset rs({"A", "B"}, {{QVariant(), QStringLiteral("")}});
    QVERIFY(rs.isNull("A"));
    QVERIFY(!rs.isNull("B"));
    QCOMPARE(rs.text("A"), QString());
    QCOMPARE(rs.text("B"), QString(""));
    QVERIFY(rs.isNull(QStringLiteral("no such field")));
}

void TstDbValues::recordsetValueReadings() {
    QCOMPARE(Recordset::asText(QVariant(12.5)), QStringLiteral("12.5"));
    QCOMPARE(Recordset::asText(QVariant(3.0)), QStringLiteral("3"));
    QCOMPARE(Recordset::asText(QVariant(qlonglong(42))), QStringLiteral("42"));
    QCOMPARE(Recordset::asText(QVariant(true)), QStringLiteral("True"));
    QCOMPARE(Recordset::asText(QVariant(QDateTime(QDate(2026, 12, 7), QTime(8, 5, 9)))),
             QStringLiteral("2026-12-07 08:05:09"));

    QCOMPARE(Recordset::asNumber(QVariant(QStringLiteral(" 12.25 "))), 12.25);
    QCOMPARE(Recordset::asNumber(QVariant(QStringLiteral("abc"))), 0.0);
    QCOMPARE(Recordset::asNumber(QVariant()), 0.0);
    QVERIFY(Recordset::isNumeric(QVariant(QStringLiteral("1e3"))));
    QVERIFY(!Recordset::isNumeric(QVariant(QStringLiteral(""))));
    QVERIFY(!Recordset::isNumeric(QVariant()));

    QCOMPARE(Recordset::asDateTime(QVariant(QStringLiteral("2026-12-07 08:30:00"))),
             QDateTime(QDate(2026, 12, 7), QTime(8, 30)));
    QCOMPARE(Recordset::asDateTime(QVariant(QStringLiteral("2026-12-07 08:30:00.250"))),
             QDateTime(QDate(2026, 12, 7), QTime(8, 30, 0, 250)));
    QCOMPARE(Recordset::asDateTime(QVariant(QStringLiteral("2026-12-07"))),
             QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
    QVERIFY(!Recordset::asDateTime(QVariant(QStringLiteral("not a date"))).isValid());
    QVERIFY(!Recordset::asDateTime(QVariant()).isValid());

    for (const QVariant& yes :
         {QVariant(true), QVariant(-1), QVariant(qlonglong(1)), QVariant(QStringLiteral("1")),
          QVariant(QStringLiteral("True")), QVariant(QStringLiteral("-1"))})
        QVERIFY2(Recordset::asBoolean(yes), qPrintable(yes.toString()));
    for (const QVariant& no : {QVariant(false), QVariant(0), QVariant(QStringLiteral("0")),
                               QVariant(QStringLiteral("false")), QVariant(QStringLiteral("")), QVariant()})
        QVERIFY2(!Recordset::asBoolean(no), qPrintable(no.toString()));
}

void TstDbValues::emptyRecordset() {
    Recordset rs;
    QCOMPARE(rs.RecordCount(), 0);
    QVERIFY(rs.isEOF());
    QVERIFY(rs.isBOF());
    QCOMPARE(rs.text(0), QString());
}

void TstDbValues::packedRowsReadAsGivenAndCompareExactly() {
    const auto packed = [](const QByteArray& name, qint64 number) {
        PackedRows p;
        p.add(PackedRows::Text, name.constData(), int(name.size()));
        p.addInteger(number);
        p.addFloat(2.5);
        p.addNull();
        p.add(PackedRows::Text, "", 0);
        p.rowCount = 1;
        return Recordset({"XM", "N", "DJ", "IsPrint", "BZ"}, p);
    };
    Recordset rs = packed("张三", 7);
    QCOMPARE(rs.RecordCount(), 1);
    QCOMPARE(rs.text("XM"), QStringLiteral("张三"));
    QCOMPARE(rs.value("N"), QVariant(qlonglong(7)));
    QCOMPARE(rs.number("DJ"), 2.5);
    QVERIFY(rs.isNull("IsPrint"));
    QVERIFY(!rs.isNull("BZ"));
    QCOMPARE(rs.rows().size(), 1);

    QVERIFY(rs.sameRows(packed("张三", 7)));
    QVERIFY(!rs.sameRows(packed("张三", 8)));
    QVERIFY(!rs.sameRows(packed("张", 7)));
    // Unpacked rows compare by value; a text "7" is not the number 7.
    QVERIFY(rs.sameRows(Recordset(rs.fieldNames(), rs.rows())));
    QVERIFY(!rs.sameRows(Recordset(rs.fieldNames(), {{"张三", "7", 2.5, QVariant(), ""}})));
}

// A list reads its cells one by one; a cell's value is the value the cursor gives, a null
// stays a null, and a place off the rows or fields is a null.
void TstDbValues::cellValueReadsOneCellAsValueDoes() {
    PackedRows p;
    p.add(PackedRows::Text, "A1", 2);
    p.addNull();
    p.add(PackedRows::Text, "A2", 2);
    p.addInteger(1);
    p.rowCount = 2;
    const Recordset packed({"DH", "IsPrint"}, p);
    const Recordset unpacked({"DH", "IsPrint"}, {{"A1", QVariant()}, {"A2", qlonglong(1)}});
    for (const Recordset* rs : {&packed, &unpacked}) {
        QCOMPARE(rs->cellValue(1, 1), QVariant(qlonglong(1)));
        QVERIFY(Recordset::isNullValue(rs->cellValue(0, 1)));
        QCOMPARE(rs->cellValue(1, 0).toString(), QStringLiteral("A2"));
        QVERIFY(!rs->cellValue(2, 0).isValid());
        QVERIFY(!rs->cellValue(0, 2).isValid());
    }
}

void TstDbValues::sqlTextDoublesQuotes() {
    QCOMPARE(SqlText("O'Brien"), QStringLiteral("'O''Brien'"));
    QCOMPARE(SqlText("检验科"), QStringLiteral("'检验科'"));
    QCOMPARE(SqlText(""), QStringLiteral("''"));
    QCOMPARE(SqlEscape("a''b'"), QStringLiteral("a''''b''"));
    QCOMPARE(SqlEscape("x\ny;--"), QStringLiteral("x\ny;--"));
}

void TstDbValues::recordExistsStatementText() {
    QCOMPARE(RecordExistsStatement("DAGL_ZD", "DM", "ZXKS", ""),
             QStringLiteral("Select top 1 DM From DAGL_ZD Where DM  Like'ZXKS'"));
    QCOMPARE(RecordExistsStatement("DAGL_ZD", "DM", "ZXKS", "ZD_TYPE='1'"),
             QStringLiteral("Select top 1 DM From DAGL_ZD Where DM  Like'ZXKS' And ZD_TYPE='1'"));
    QCOMPARE(RecordExistsStatement("CS", "DMMC", "O'Brien", ""),
             QStringLiteral("Select top 1 DMMC From CS Where DMMC  Like'O''Brien'"));
}

void TstDbValues::connectionStringKinds() {
    using K = ConnectionString::Kind;
    QCOMPARE(ConnectionString::parse("").kind(), K::Empty);
    QCOMPARE(
        ConnectionString::parse("Provider=sqloledb;Data Source=s;Initial Catalog=d;User ID=u;Password=p;")
            .kind(),
        K::SqlServer);
    QCOMPARE(ConnectionString::parse("provider=SQLOLEDB.1;server=s").kind(), K::SqlServer);
    QCOMPARE(ConnectionString::parse("PROVIDER=sqlite;DATA SOURCE=x.db;").kind(), K::SQLite);
    QCOMPARE(ConnectionString::parse("Provider=Oracle;Data Source=x").kind(), K::Unknown);
    QCOMPARE(ConnectionString::parse("Data Source=x").kind(), K::Unknown);
    QCOMPARE(ConnectionString::parse("DSN=his;").kind(), K::Odbc);
    QCOMPARE(ConnectionString::parse("Provider=MSDASQL;DSN=his;UID=sa;").kind(), K::Odbc);
    QCOMPARE(ConnectionString::parse("Provider=MSDASQL;DSN=;").kind(), K::Unknown);
}

// The driver reads the data source's own settings; the keys written after DSN override them.
void TstDbValues::odbcTextForADataSource() {
    QCOMPARE(ConnectionString::parse("Provider=MSDASQL;DSN=his;Initial Catalog=orvadata;User ID=sa;"
                                     "Password=p;Busy Timeout=500;")
                 .dsnConnectionText(),
             QStringLiteral("DSN=his;DATABASE=orvadata;UID=sa;PWD=p;"));
    // A key cannot carry a key of its own to the driver.
    QCOMPARE(ConnectionString::parse("DSN=his;x;Driver=evil;").dsnConnectionText(),
             QStringLiteral("DSN=his;"));
    QCOMPARE(ConnectionString::parse("dsn=his;server=db1;port=5433;pwd='a;b';").dsnConnectionText(),
             QStringLiteral("DSN=his;SERVER=db1;port=5433;PWD={a;b};"));
}

void TstDbValues::connectionStringValues() {
    const ConnectionString cs = ConnectionString::parse(
        "Provider=sqloledb;data source = srv ;INITIAL CATALOG=orvadata;uid=sa;Password=;");
    QCOMPARE(cs.value("Data Source"), QStringLiteral("srv"));
    QCOMPARE(cs.value("database"), QStringLiteral("orvadata"));
    QCOMPARE(cs.value("User ID"), QStringLiteral("sa"));
    QVERIFY(cs.contains("pwd"));
    QCOMPARE(cs.value("Password"), QString());
    const ConnectionString quoted =
        ConnectionString::parse("Provider=SQLite;Data Source=\"a;b.db\";Busy Timeout=250");
    QCOMPARE(quoted.value("data source"), QStringLiteral("a;b.db"));
    QCOMPARE(quoted.busyTimeoutMs(), 250);
    QCOMPARE(ConnectionString::parse("Provider=SQLite;Data Source=x").busyTimeoutMs(), 10000);
}

void TstDbValues::odbcTextForSqlServer() {
    QCOMPARE(ConnectionString::parse("Provider=sqloledb;Data Source=PC01;Initial Catalog=orvadata;User ID=sa;"
                                     "Password=123;")
                 .odbcConnectionText(),
             QStringLiteral("DRIVER={FreeTDS};SERVER=PC01;DATABASE=orvadata;UID=sa;PWD=123;TDS_Version=7.3;"
                            "ClientCharset=UTF-8;"));
    QCOMPARE(
        ConnectionString::parse("Provider=sqloledb;Data Source=10.0.0.5,1444;Initial Catalog=h;User ID=sa;"
                                "Password=;")
            .odbcConnectionText(),
        QStringLiteral("DRIVER={FreeTDS};SERVER=10.0.0.5;PORT=1444;DATABASE=h;UID=sa;PWD=;TDS_Version=7.3;"
                       "ClientCharset=UTF-8;"));
    QVERIFY(ConnectionString::parse("Provider=sqloledb;Data Source=(local);")
                .odbcConnectionText()
                .contains("SERVER=localhost;"));
}

void TstDbValues::odbcTextEscapesBraces() {
    QCOMPARE(ConnectionString::odbcValue("plain"), QStringLiteral("plain"));
    QCOMPARE(ConnectionString::odbcValue("a}b"), QStringLiteral("{a}}b}"));
    QCOMPARE(ConnectionString::odbcValue("x=1"), QStringLiteral("{x=1}"));
    QCOMPARE(ConnectionString::odbcValue(" pad"), QStringLiteral("{ pad}"));
    const QString text =
        ConnectionString::parse("Provider=sqloledb;Data Source=s;User ID=u;Password='p;w{d}'")
            .odbcConnectionText();
    QVERIFY2(text.contains("PWD={p;w{d}}};"), qPrintable(text));
    // A "}" in the driver name cannot close its braces and add keys of its own.
    const QString driver =
        ConnectionString::parse("Provider=sqloledb;Data Source=s;ODBC Driver='FreeTDS};SERVER=evil'")
            .odbcConnectionText();
    QVERIFY2(driver.startsWith("DRIVER={FreeTDS}};SERVER=evil};SERVER=s;"), qPrintable(driver));
}

void TstDbValues::sqliteFileRelativeToProgramFolder() {
    QTemporaryDir dir;
    ProgramFolder::setOverride(dir.path());
    QCOMPARE(ConnectionString::parse("Provider=SQLite;Data Source=hospital.db;").sqliteFile(),
             QDir(dir.path()).filePath("hospital.db"));
    QCOMPARE(ConnectionString::parse("Provider=SQLite;Data Source=/data/h.db;").sqliteFile(),
             QStringLiteral("/data/h.db"));
    ProgramFolder::setOverride({});
}

void TstDbValues::traceEscapesAndReadsBack() {
    const QString statement = "Update CS Set DMMC='a\\n'\nDelete CS\r\n\tWhere x='\\'";
    const QString escaped = SqlTrace::escape(statement);
    QVERIFY(!escaped.contains('\n'));
    QVERIFY(!escaped.contains('\t'));
    QCOMPARE(SqlTrace::unescape(escaped), statement);

    QTemporaryDir dir;
    const QString file = dir.filePath("trace.log");
    qputenv("YJGL_SQL_TRACE", file.toLocal8Bit());
    const QDateTime at(QDate(2026, 12, 7), QTime(8, 0, 1, 5));
    SqlTrace::record(statement, at, 17);
    SqlTrace::record("select 1", at.addSecs(1), 0);
    qunsetenv("YJGL_SQL_TRACE");
    SqlTrace::record("not traced", at, 0);

    const QVector<SqlTrace::Entry> entries = SqlTrace::read(file);
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].time, at);
    QCOMPARE(entries[0].elapsedMs, 17);
    QCOMPARE(entries[0].statement, statement);
    QCOMPARE(SqlTrace::readStatements(file), (QStringList{statement, "select 1"}));
}

QTEST_APPLESS_MAIN(TstDbValues)
#include "tst_DbValues.moc"
