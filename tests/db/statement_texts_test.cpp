// Every statement the windows send, as their builders write it with realistic values, run
// through the client layer (OpenRs, ExecSql, gConn transactions) on the demo database: each one
// is accepted without a message box and does what its window expects. The texts themselves are
// pinned once, beside their builders' tests.
#include "app/core/ImePreference.h"
#include "app/core/LoginCheck.h"
#include "app/core/PasswordChange.h"
#include "app/core/UnitName.h"
#include "common/StatementMessages.h"
#include "common/core/Clock.h"
#include "db/Connection.h"
#include "db/demo/DemoDatabase.h"
#include "db/documents/DocumentStatements.h"
#include "dictionary/core/DictionaryRules.h"
#include "dictionary/core/DictionaryStatements.h"
#include "execution/core/ExecutionStatements.h"
#include "queries/core/QueryStatements.h"
#include "support/FakeMessageService.h"
#include "support/TestEngine.h"
#include "support/TestFolder.h"
#include "voiding/core/VoidingStatements.h"

#include <QtTest>

namespace {

const QString kLab = QStringLiteral("检验科");

QString letters(const QString& text) {
    return text.left(1) == QStringLiteral("东") ? QStringLiteral("DXZ") : QStringLiteral("OB");
}

} // namespace

class StatementTextsTest : public QObject {
    Q_OBJECT

private:
    TestFolder m_folder;
    std::unique_ptr<ServerTestDatabase> m_server;
    std::unique_ptr<FakeMessageService> m_messages;
    QDate m_today;
    QDate m_weekAgo;
    QString m_outpatient; // a document pending for the lab, outpatient
    QString m_outpatientName;
    QString m_inpatient; // one pending for the lab, inpatient

    // Runs a query through OpenRs; fails the test on a message box or no recordset.
    RecordsetPtr query(const QString& sql) {
        m_messages->clear();
        RecordsetPtr rs;
        const bool ok = OpenRs(rs, sql);
        if (!ok || !rs || m_messages->count() != 0) {
            qWarning().noquote() << sql << m_messages->texts().join(QStringLiteral(" | "));
            return {};
        }
        return rs;
    }
    QString scalar(const QString& sql) {
        RecordsetPtr rs = query(sql);
        return rs && rs->RecordCount() > 0 ? rs->text(0) : QStringLiteral("<none>");
    }
    QStringList column(const QString& sql, const QString& field) {
        QStringList values;
        RecordsetPtr rs = query(sql);
        if (!rs)
            return {QStringLiteral("<failed>")};
        for (rs->MoveFirst(); !rs->isEOF(); rs->MoveNext())
            values << rs->text(field);
        return values;
    }
    bool exec(const QString& sql) {
        m_messages->clear();
        const bool ok = ExecSql(sql);
        if (!ok || m_messages->count() != 0) {
            qWarning().noquote() << sql << m_messages->texts().join(QStringLiteral(" | "));
            return false;
        }
        return true;
    }
    QString pendingList(const QDate& from, const QDate& to) const {
        return ExecutionSql::pendingList(kLab, from, to);
    }

private slots:
    void initTestCase() {
        m_messages = std::make_unique<FakeMessageService>();
        DemoOptions options;
        options.documents = 150;
        AppError error;
        const QString connection =
            TestEngine::createDemo(m_folder.file(QStringLiteral("hospital.db")), options, &m_server, &error);
        QVERIFY2(!connection.isEmpty(), qPrintable(error.description));
        resetGlobalConnection(connection);
        OpenConn();
        QVERIFY(gConn->isOpen());

        m_today = Clock::today();
        m_weekAgo = Clock::today().addDays(-7);
        RecordsetPtr rs = query(pendingList(m_weekAgo, m_today));
        QVERIFY(rs);
        for (rs->MoveFirst(); !rs->isEOF(); rs->MoveNext()) {
            if (rs->text("LX") == QStringLiteral("住院")) {
                if (m_inpatient.isEmpty())
                    m_inpatient = rs->text("DH");
            } else if (m_outpatient.isEmpty()) {
                m_outpatient = rs->text("DH");
                m_outpatientName = rs->text("XM");
            }
        }
        QVERIFY2(!m_outpatient.isEmpty() && !m_inpatient.isEmpty(),
                 "the demo data holds pending lab documents of both kinds");
    }

    void cleanupTestCase() {
        if (gConn)
            gConn->close();
    }

    // Statements that read: sign-in, department, pending list, detail, queries, dictionaries.
    void readingStatements_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("minimumRows");
        const QDate start = m_weekAgo;
        const QDate end = m_today;
        QTest::newRow("users") << LoginStatements::userList() << 5;
        QTest::newRow("server time") << LoginStatements::serverTime() << 1;
        QTest::newRow("password") << LoginStatements::password(QStringLiteral("李检验"),
                                                               QStringLiteral("123"))
                                  << 1;
        QTest::newRow("store") << LoginStatements::szsq(QStringLiteral("管理员")) << 1;
        QTest::newRow("right") << LoginStatements::moduleRight(QStringLiteral("医技科室")) << 1;
        QTest::newRow("pinyin") << ImeSql::characterCode(QChar(0x68C0)) << 1;
        QTest::newRow("unit name") << UnitNameStatement() << 1;
        QTest::newRow("departments") << ExecutionSql::departmentList() << 5;
        QTest::newRow("auto refresh") << ExecutionSql::autoRefreshConfig() << 1;
        QTest::newRow("pending today") << pendingList(end, end) << 0;
        QTest::newRow("outpatient header") << DocumentSql::outpatientHead(m_outpatient) << 1;
        QTest::newRow("inpatient header") << DocumentSql::inpatientHead(m_inpatient) << 1;
        QTest::newRow("items") << DocumentSql::items(kLab, m_outpatient) << 1;
        QTest::newRow("typed number") << ExecutionSql::prescriptionLookup(m_outpatient, kLab) << 1;
        QTest::newRow("executor") << ExecutionSql::users() << 5;
        QTest::newRow("next number") << ExecutionSql::newestNumberOfDay(QStringLiteral("FYDH"),
                                                                        QStringLiteral("MZ_FYDJ"),
                                                                        QStringLiteral("FYRQ"), end)
                                     << 0;
        QTest::newRow("voiding list") << VoidingSql::documentList(kLab, QStringLiteral("%"), start, end) << 1;
        QTest::newRow("executed by date")
            << QuerySql::executedByDate(kLab, QStringLiteral("%"), QStringLiteral("%"), start, end) << 1;
        QTest::newRow("executed by number")
            << QuerySql::executedByNumber(kLab, end.toString(QStringLiteral("yyyy"))) << 1;
        QTest::newRow("query items") << DocumentSql::departmentItems(kLab, m_outpatient) << 1;
        QTest::newRow("user names") << QuerySql::users() << 5;
        QTest::newRow("voided by date") << QuerySql::voidedByDate(kLab, QStringLiteral("%"), start, end) << 1;
        QTest::newRow("lookup") << RecordExistsStatement(QStringLiteral("DAGL_ZD"), QStringLiteral("DM"),
                                                         QStringLiteral("ZXKS"), QString())
                                << 1;
        QTest::newRow("lookup with condition")
            << RecordExistsStatement(QStringLiteral("CS"), QStringLiteral("DMMC"), QStringLiteral("检验%"),
                                     QStringLiteral("ControlID='ZXKS'"))
            << 1;
        QTest::newRow("module dictionaries")
            << DictionarySql::dictionaries(QStringLiteral("医技"), false) << 1;
        QTest::newRow("all dictionaries") << DictionarySql::dictionaries(QString(), true) << 6;
        QTest::newRow("entries") << DictionarySql::entries(QStringLiteral("XB")) << 2;
        QTest::newRow("window tree") << DictionarySql::windowTree() << 3;
        QTest::newRow("links") << DictionarySql::links(QStringLiteral("Frm_GHDJ")) << 3;
    }
    void readingStatements() {
        QFETCH(QString, sql);
        QFETCH(int, minimumRows);
        RecordsetPtr rs = query(sql);
        QVERIFY(rs);
        QVERIFY2(rs->RecordCount() >= minimumRows, qPrintable(QString::number(rs->RecordCount())));
        CloseRs(rs);
        QVERIFY(!rs);
    }

    // The columns the windows read by name are there.
    void procedureResultColumns() {
        const QStringList list = query(pendingList(m_weekAgo, m_today))->fieldNames();
        for (const char* name : {"DH", "XM", "LX", "IsPrint"})
            QVERIFY2(list.contains(QLatin1String(name), Qt::CaseInsensitive), name);
        const QStringList items = query(DocumentSql::items(kLab, m_outpatient))->fieldNames();
        for (const char* name :
             {"GroupYP", "BM", "PM", "GG", "DW", "SL", "DJ", "SSJE", "KCL", "LX", "SFJKC", "CLB", "ID"})
            QVERIFY2(items.contains(QLatin1String(name), Qt::CaseInsensitive), name);
        const QStringList voiding =
            query(VoidingSql::documentList(kLab, QStringLiteral("%"), m_weekAgo, m_today))->fieldNames();
        QVERIFY(voiding.contains(QStringLiteral("DH"), Qt::CaseInsensitive));
        QVERIFY(voiding.contains(QStringLiteral("XM"), Qt::CaseInsensitive));
    }

    // Statements that write, each checked by what it should have changed. Rows run in order.
    void writingStatements_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("expected");
        const int lastEntry = scalar(QStringLiteral("select max(id) from CS")).toInt();
        const int firstNation = scalar(QStringLiteral("select min(id) from CS where ControlID='MZ'")).toInt();
        QVERIFY(lastEntry > 0 && firstNation > 0);
        QTest::newRow("password") << PasswordStatements::change(QStringLiteral("456"),
                                                                QStringLiteral("赵医生"))
                                  << QStringLiteral("select password from userdb where username='赵医生'")
                                  << QStringLiteral("456");
        QTest::newRow("input method")
            << ImeSql::save(67699721, QStringLiteral("五笔码"), QStringLiteral("赵医生"))
            << QStringLiteral("select IME || SearchType from userdb where username='赵医生'")
            << ImeText(67699721) + QStringLiteral("五笔码");
        QTest::newRow("printed inpatient")
            << ExecutionSql::markPrinted(m_inpatient, true)
            << QStringLiteral("select IsPrint from ZY_KFDJ where DH='%1'").arg(m_inpatient)
            << QStringLiteral("1");
        QTest::newRow("printed outpatient")
            << ExecutionSql::markPrinted(m_outpatient, false)
            << QStringLiteral("select IsPrint from mz_kfdj where DH='%1'").arg(m_outpatient)
            << QStringLiteral("1");
        // The entry grid's save: one batch of two new rows, one with a quote.
        QTest::newRow("save entries")
            << DictionaryRules::EntryBatch(
                   QStringLiteral("MZ"),
                   {{QStringLiteral("东乡族"), {}, {}}, {QStringLiteral("O'Brien"), {}, {}}}, letters)
            << QStringLiteral("select count(*) from CS where ControlID='MZ'") << QStringLiteral("7");
        QTest::newRow("change entry")
            << DictionarySql::updateEntry(QStringLiteral("维吾尔族"), QStringLiteral("WWEZ"), lastEntry + 2)
            << QStringLiteral("select DMMC || DM from CS where id=%1").arg(lastEntry + 2)
            << QStringLiteral("维吾尔族WWEZ");
        QTest::newRow("delete entry")
            << DictionarySql::deleteEntry(QString::number(firstNation))
            << QStringLiteral("select count(*) from CS where id=%1").arg(firstNation) << QStringLiteral("0");
        QTest::newRow("new dictionary")
            << DictionarySql::insertDictionary(QStringLiteral("ZY"), QStringLiteral("职业"),
                                               QStringLiteral("0"), QStringLiteral("医技"), QString())
            << QStringLiteral("select DMMC || ZD_TYPE from DAGL_ZD where DM='ZY'") << QStringLiteral("职业0");
        QTest::newRow("change dictionary")
            << DictionarySql::updateDictionary(QStringLiteral("病人职业"), QStringLiteral("ZY"),
                                               QStringLiteral("职业类别"), QStringLiteral("1"))
            << QStringLiteral("select DMMC || BZ from DAGL_ZD where DM='ZY'")
            << QStringLiteral("职业类别病人职业");
        QTest::newRow("delete dictionary")
            << DictionarySql::deleteDictionary(QStringLiteral("MZ"))
            << QStringLiteral(
                   "select (select count(*) from DAGL_ZD where DM='MZ') + (select count(*) from CS "
                   "where ControlID='MZ')")
            << QStringLiteral("0");
        QTest::newRow("save links")
            << DictionaryRules::LinkBatch(
                   {{DictionaryRules::ChangedMark, QStringLiteral("HYZK"), QStringLiteral("1")},
                    {DictionaryRules::ChangedMark, QString(), QStringLiteral("2")}})
            << QStringLiteral("select LinkZD || '/' || (select LinkZD from ZD_LinkTable where id=2) from "
                              "ZD_LinkTable where id=1")
            << QStringLiteral("HYZK/");
    }
    void writingStatements() {
        QFETCH(QString, sql);
        QFETCH(QString, check);
        QFETCH(QString, expected);
        QVERIFY(exec(sql));
        QCOMPARE(scalar(check), expected);
    }

    // One document from the pending list to executed, listed, voided and listed as voided.
    void executionAndVoidingRoad() {
        const QString dh = m_outpatient;
        const QDate start = m_weekAgo;
        const QDate end = m_today;
        const QString user = QStringLiteral("李检验");
        QVERIFY(column(pendingList(start, end), QStringLiteral("DH")).contains(dh));

        RecordsetPtr number = query(ExecutionSql::newestNumberOfDay(
            QStringLiteral("FYDH"), QStringLiteral("MZ_FYDJ"), QStringLiteral("FYRQ"), end));
        QVERIFY(number);
        const int counter = number->RecordCount() > 0 ? number->text(0).right(4).toInt() : 0;
        const QString zxdh = end.toString(QStringLiteral("yyyyMMdd")) +
                             QStringLiteral("%1").arg(counter + 1, 4, 10, QLatin1Char('0'));

        // Execution: the record and the procedure in one transaction on gConn.
        QVERIFY(gConn->beginTrans());
        QVERIFY(exec(ExecutionSql::insertExecution(zxdh, dh, user, QStringLiteral("O'Brien"), kLab,
                                                   m_outpatientName)));
        QVERIFY(exec(ExecutionSql::finishExecution(dh, kLab)));
        QVERIFY(gConn->commitTrans());

        QVERIFY(!column(pendingList(start, end), QStringLiteral("DH")).contains(dh));
        QCOMPARE(query(DocumentSql::items(kLab, dh))->RecordCount(), 0);
        QCOMPARE(query(ExecutionSql::prescriptionLookup(dh, kLab))->RecordCount(), 0);
        QCOMPARE(scalar(QStringLiteral("select FHR || ZXR || SFZF from MZ_YJZX where ZXDH='%1'").arg(zxdh)),
                 QStringLiteral("O'Brien李检验0"));

        const QString executedByDate =
            QuerySql::executedByDate(kLab, user, QStringLiteral("O'Brien"), end, end);
        QVERIFY(column(executedByDate, QStringLiteral("DH")).contains(dh));
        QCOMPARE(column(QuerySql::executedByNumber(kLab, dh.left(12)), QStringLiteral("DH")).count(dh), 1);

        // Voiding, searched by the patient name's first character.
        const QString voidingList =
            VoidingSql::documentList(kLab, m_outpatientName.left(1) + QLatin1Char('%'), end, end);
        QVERIFY(column(voidingList, QStringLiteral("DH")).contains(dh));
        QVERIFY(query(VoidingSql::items(kLab, dh))->RecordCount() >= 1);

        QVERIFY(gConn->beginTrans());
        QVERIFY(exec(VoidingSql::voidRecord(user, dh, kLab)));
        QVERIFY(exec(VoidingSql::returnItems(dh, kLab)));
        QVERIFY(gConn->commitTrans());

        QVERIFY(!column(voidingList, QStringLiteral("DH")).contains(dh));
        QCOMPARE(query(VoidingSql::items(kLab, dh))->RecordCount(), 0);
        QVERIFY(!column(executedByDate, QStringLiteral("DH")).contains(dh));
        QVERIFY(column(QuerySql::voidedByDate(kLab, user, end, end), QStringLiteral("DH")).contains(dh));
        // Items of other departments on the same document are not returned.
        QCOMPARE(scalar(QStringLiteral("select count(*) from MZ_KFDJMX B join YF_YPML C on C.YPBM=B.BM where "
                                       "B.DH='%1' and B.TYBZ=1 and C.ZXKS<>'%2'")
                            .arg(dh, kLab)),
                 QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(StatementTextsTest)
#include "statement_texts_test.moc"
