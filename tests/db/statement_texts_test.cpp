// Every statement text the windows send, with realistic values, run through the client layer
// (OpenRs, ExecSql, gConn transactions) on an embedded demo database: each one is accepted
// without a message box and does what its window expects.
#include "common/StatementMessages.h"
#include "common/core/Clock.h"
#include "db/Connection.h"
#include "db/demo/DemoDatabase.h"
#include "support/FakeMessageService.h"
#include "support/TestEngine.h"
#include "support/TestFolder.h"

#include <QtTest>

namespace {

const QString kLab = QStringLiteral("检验科");

QString day(const QDate& d) {
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

class StatementTextsTest : public QObject {
    Q_OBJECT

private:
    TestFolder m_folder;
    std::unique_ptr<ServerTestDatabase> m_server;
    std::unique_ptr<FakeMessageService> m_messages;
    QString m_today;
    QString m_weekAgo;
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
    QString pendingList(const QString& from, const QString& to) const {
        return QStringLiteral("exec YJ_List '%1','%2 00:00:00','%3 23:59:59'").arg(kLab, from, to);
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

        m_today = day(Clock::today());
        m_weekAgo = day(Clock::today().addDays(-7));
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
        const QString start = m_weekAgo;
        const QString end = m_today;
        QTest::newRow("users") << QStringLiteral("select * from userdb ") << 5;
        QTest::newRow("server time") << QStringLiteral("SELECT top 1 GETDATE() FROM sysobjects") << 1;
        QTest::newRow("password")
            << QStringLiteral("select * from userdb where username like '李检验' and password like '123'")
            << 1;
        QTest::newRow("store") << QStringLiteral("select SQBH from Yf_sq where username like'管理员'") << 1;
        QTest::newRow("right")
            << QStringLiteral("Select QX From QX_Temp2 Where MoudelKey='YJXT_IN' and Groupname='医技科室'")
            << 1;
        QTest::newRow("pinyin") << QStringLiteral("SELECT PY FROM GY_HZBM WHERE HZ='检'") << 1;
        QTest::newRow("unit name") << QStringLiteral("Select top 1 DWMC From HosPitalInfo") << 1;
        QTest::newRow("departments") << QStringLiteral("Select DMMC FROM CS WHERE ControlID Like'ZXKS'") << 5;
        QTest::newRow("auto refresh")
            << QStringLiteral("select Item_Value from QKZL_CONFIG Where Item_Name Like'ZDFY'") << 1;
        QTest::newRow("pending today") << pendingList(end, end) << 0;
        QTest::newRow("outpatient header")
            << QStringLiteral("select TS,NL,XM,XB,KDYS,KDRQ from mz_kfdj Where DH like'%1'").arg(m_outpatient)
            << 1;
        QTest::newRow("inpatient header")
            << QStringLiteral("Select XM,XB,KDYS,KDRQ,ZYH,CWH from ZY_KFDJ Where DH Like'%1'")
                   .arg(m_inpatient)
            << 1;
        QTest::newRow("items") << QStringLiteral("Exec Get_YJMX '%1','%2'").arg(kLab, m_outpatient) << 1;
        QTest::newRow("typed number")
            << QStringLiteral("Exec SP_MZ_CF '%1','%2'").arg(m_outpatient, kLab) << 1;
        QTest::newRow("executor") << QStringLiteral("select * from userdb") << 5;
        QTest::newRow("next number") << QStringLiteral(
                                            "select top 1 FYDH From MZ_FYDJ Where FYRQ Between '%1 "
                                            "00:00:00' and '%1 23:59:59' order by id desc")
                                            .arg(end)
                                     << 0;
        QTest::newRow("voiding list")
            << QStringLiteral("Exec P_MZ_YJTDList '%1','%','%2 00:00:00','%3 23:59:59'").arg(kLab, start, end)
            << 1;
        QTest::newRow("executed by date")
            << QStringLiteral("Select * FROM MZ_YJZX Where SFZF=0 AND  KSMC Like'%1' AND ZXR Like'%' AND FHR "
                              "Like'%' AND ZXSJ Between '%2 00:00:00' And '%3 23:59:59'")
                   .arg(kLab, start, end)
            << 1;
        QTest::newRow("executed by number")
            << QStringLiteral("Select * FROM MZ_YJZX Where SFZF=0 AND  KSMC Like'%1' AND DH Like'%2%'")
                   .arg(kLab, m_today.left(4))
            << 1;
        QTest::newRow("query items")
            << QStringLiteral("Select A.BM,A.PM,A.GG,A.DW,A.SL,A.DJ,A.SSJE From MZ_KFDJMX A ,YF_YPML B Where "
                              "A.BM=B.YPBM AND B.ZXKS='%1' AND A.DH='%2'")
                   .arg(kLab, m_outpatient)
            << 1;
        QTest::newRow("user names") << QStringLiteral("select username from userdb") << 5;
        QTest::newRow("voided by date")
            << QStringLiteral(
                   "Select * FROM MZ_YJZX Where SFZF=1 AND  KSMC Like'%1' AND ZFR Like'%' AND ZFRQ "
                   "Between '%2 00:00:00' And '%3 23:59:59'")
                   .arg(kLab, start, end)
            << 1;
        QTest::newRow("lookup") << RecordExistsStatement(QStringLiteral("DAGL_ZD"), QStringLiteral("DM"),
                                                         QStringLiteral("ZXKS"), QString())
                                << 1;
        QTest::newRow("lookup with condition")
            << RecordExistsStatement(QStringLiteral("CS"), QStringLiteral("DMMC"), QStringLiteral("检验%"),
                                     QStringLiteral("ControlID='ZXKS'"))
            << 1;
        QTest::newRow("module dictionaries")
            << QStringLiteral("select BZ,DM,DMMC,ZD_Type,moudelname From dagl_zd Where MoudelName "
                              "Like'%医技%' order by xx")
            << 1;
        QTest::newRow("all dictionaries")
            << QStringLiteral("select BZ,DM,DMMC,ZD_Type,moudelname From dagl_zd  order by xx") << 6;
        QTest::newRow("entries") << QStringLiteral("Select DMMC,id From CS Where ControlID Like'XB'") << 2;
        QTest::newRow("window tree") << QStringLiteral(
                                            "Select Lavel,Sname,ID,PID,Ename from ZD_Tabel order by lavel ")
                                     << 3;
        QTest::newRow("links") << QStringLiteral(
                                      "Select A.id,A.ControlEname,A.ControlCname,B.DMMC  From ZD_LinkTable A "
                                      "left join DAGL_ZD B ON "
                                      "A.LINKZD=B.DM Where A.FormName Like'Frm_GHDJ' Order by A.XH")
                               << 3;
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
        const QStringList items =
            query(QStringLiteral("Exec Get_YJMX '%1','%2'").arg(kLab, m_outpatient))->fieldNames();
        for (const char* name :
             {"GroupYP", "BM", "PM", "GG", "DW", "SL", "DJ", "SSJE", "KCL", "LX", "SFJKC", "CLB", "ID"})
            QVERIFY2(items.contains(QLatin1String(name), Qt::CaseInsensitive), name);
        const QStringList voiding =
            query(QStringLiteral("Exec P_MZ_YJTDList '%1','%','%2 00:00:00','%3 23:59:59'")
                      .arg(kLab, m_weekAgo, m_today))
                ->fieldNames();
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
        QTest::newRow("password") << QStringLiteral(
                                         "update  userdb set password='456'where username like'赵医生'")
                                  << QStringLiteral("select password from userdb where username='赵医生'")
                                  << QStringLiteral("456");
        QTest::newRow("input method")
            << QStringLiteral("Update UserDB set IME=' 67699721',SearchType='五笔码' Where UserName='赵医生'")
            << QStringLiteral("select IME || SearchType from userdb where username='赵医生'")
            << QStringLiteral(" 67699721五笔码");
        QTest::newRow("printed inpatient")
            << QStringLiteral("Update ZY_KFDJ SET Isprint=1 Where DH Like'%1'").arg(m_inpatient)
            << QStringLiteral("select IsPrint from ZY_KFDJ where DH='%1'").arg(m_inpatient)
            << QStringLiteral("1");
        QTest::newRow("printed outpatient")
            << QStringLiteral("Update Mz_KFDJ SET Isprint=1 Where DH Like'%1'").arg(m_outpatient)
            << QStringLiteral("select IsPrint from mz_kfdj where DH='%1'").arg(m_outpatient)
            << QStringLiteral("1");
        // The entry grid's save: one batch, every statement followed by a line feed.
        QTest::newRow("save entries")
            << QStringLiteral(" Insert into CS(Controlid,DM,DMMC) Values ('MZ','DXZ','东乡族')\n"
                              " Insert into CS(Controlid,DM,DMMC) Values ('MZ','O''B','O''Brien')\n")
            << QStringLiteral("select count(*) from CS where ControlID='MZ'") << QStringLiteral("7");
        QTest::newRow("change entry")
            << QStringLiteral("Update CS Set DMMC='维吾尔族',DM='WWEZ' Where ID=%1\n").arg(lastEntry + 2)
            << QStringLiteral("select DMMC || DM from CS where id=%1").arg(lastEntry + 2)
            << QStringLiteral("维吾尔族WWEZ");
        QTest::newRow("delete entry")
            << QStringLiteral("Delete CS Where id Like'%1'").arg(firstNation)
            << QStringLiteral("select count(*) from CS where id=%1").arg(firstNation) << QStringLiteral("0");
        QTest::newRow("new dictionary")
            << QStringLiteral("Insert into DAGL_ZD (DM,DMMC,ZD_TYPE,Moudelname,BZ) Values "
                              "('ZY','职业','0','医技','')")
            << QStringLiteral("select DMMC || ZD_TYPE from DAGL_ZD where DM='ZY'") << QStringLiteral("职业0");
        QTest::newRow("change dictionary")
            << QStringLiteral(
                   "Update DAGL_ZD Set BZ='病人职业',DM='ZY',DMMC='职业类别',ZD_TYPE='1' Where DM Like'ZY'")
            << QStringLiteral("select DMMC || BZ from DAGL_ZD where DM='ZY'")
            << QStringLiteral("职业类别病人职业");
        QTest::newRow("delete dictionary")
            << QStringLiteral("Delete DAGL_ZD Where DM Like'MZ'\nDelete CS Where ControlID Like'MZ'")
            << QStringLiteral(
                   "select (select count(*) from DAGL_ZD where DM='MZ') + (select count(*) from CS "
                   "where ControlID='MZ')")
            << QStringLiteral("0");
        QTest::newRow("save links")
            << QStringLiteral("Update ZD_LinkTable SET LinkZD='HYZK' Where ID=1\nUpdate ZD_LinkTable SET "
                              "LinkZD='' Where ID=2\n")
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
        const QString start = m_weekAgo;
        const QString end = m_today;
        QVERIFY(column(pendingList(start, end), QStringLiteral("DH")).contains(dh));

        RecordsetPtr number = query(QStringLiteral("select top 1 FYDH From MZ_FYDJ Where FYRQ Between '%1 "
                                                   "00:00:00' and '%1 23:59:59' order by id desc")
                                        .arg(end));
        QVERIFY(number);
        const int counter = number->RecordCount() > 0 ? number->text(0).right(4).toInt() : 0;
        const QString zxdh = Clock::today().toString(QStringLiteral("yyyyMMdd")) +
                             QStringLiteral("%1").arg(counter + 1, 4, 10, QLatin1Char('0'));

        // Execution: the record and the procedure in one transaction on gConn.
        QVERIFY(gConn->beginTrans());
        QVERIFY(exec(QStringLiteral("Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM) Values(%1,%2,%3,%4,%5,%6)")
                         .arg(SqlText(zxdh), SqlText(dh), SqlText(QStringLiteral("李检验")),
                              SqlText(QStringLiteral("O'Brien")), SqlText(kLab), SqlText(m_outpatientName))));
        QVERIFY(exec(QStringLiteral("Exec P_YJZX '%1','%2'").arg(dh, kLab)));
        QVERIFY(gConn->commitTrans());

        QVERIFY(!column(pendingList(start, end), QStringLiteral("DH")).contains(dh));
        QCOMPARE(query(QStringLiteral("Exec Get_YJMX '%1','%2'").arg(kLab, dh))->RecordCount(), 0);
        QCOMPARE(query(QStringLiteral("Exec SP_MZ_CF '%1','%2'").arg(dh, kLab))->RecordCount(), 0);
        QCOMPARE(scalar(QStringLiteral("select FHR || ZXR || SFZF from MZ_YJZX where ZXDH='%1'").arg(zxdh)),
                 QStringLiteral("O'Brien李检验0"));

        const QString executedByDate =
            QStringLiteral("Select * FROM MZ_YJZX Where SFZF=0 AND  KSMC Like'%1' AND ZXR Like'%2' AND FHR "
                           "Like'%3' AND ZXSJ Between '%4 00:00:00' And '%5 23:59:59'")
                .arg(kLab, QStringLiteral("李检验"), SqlEscape(QStringLiteral("O'Brien")), end, end);
        QVERIFY(column(executedByDate, QStringLiteral("DH")).contains(dh));
        QCOMPARE(
            column(QStringLiteral("Select * FROM MZ_YJZX Where SFZF=0 AND  KSMC Like'%1' AND DH Like'%2%'")
                       .arg(kLab, dh.left(12)),
                   QStringLiteral("DH"))
                .count(dh),
            1);

        // Voiding, searched by the patient name's first character.
        const QString voidingList =
            QStringLiteral("Exec P_MZ_YJTDList '%1','%2%','%3 00:00:00','%4 23:59:59'")
                .arg(kLab, SqlEscape(m_outpatientName.left(1)), end, end);
        QVERIFY(column(voidingList, QStringLiteral("DH")).contains(dh));
        const int items = query(QStringLiteral("Exec Get_YJZFMX '%1','%2'").arg(kLab, dh))->RecordCount();
        QVERIFY(items >= 1);

        QVERIFY(gConn->beginTrans());
        QVERIFY(exec(QStringLiteral("Update MZ_YJZX Set SFZF=1,ZFR='%1',ZFRQ=Getdate() Where DH='%2'")
                         .arg(QStringLiteral("李检验"), dh)));
        QVERIFY(exec(QStringLiteral("Update MZ_KFDJMX Set TYBZ=1 From MZ_KFDJMX,YF_YPML Where "
                                    "MZ_KFDJMX.BM=YF_YPML.YPBM AND  MZ_KFDJMX.DH='%1' And YF_YPML.ZXKS='%2'")
                         .arg(dh, kLab)));
        QVERIFY(gConn->commitTrans());

        QVERIFY(!column(voidingList, QStringLiteral("DH")).contains(dh));
        QCOMPARE(query(QStringLiteral("Exec Get_YJZFMX '%1','%2'").arg(kLab, dh))->RecordCount(), 0);
        QVERIFY(!column(executedByDate, QStringLiteral("DH")).contains(dh));
        const QString voidedByDate =
            QStringLiteral("Select * FROM MZ_YJZX Where SFZF=1 AND  KSMC Like'%1' AND ZFR Like'%2' AND ZFRQ "
                           "Between '%3 00:00:00' And '%4 23:59:59'")
                .arg(kLab, QStringLiteral("李检验"), end, end);
        QVERIFY(column(voidedByDate, QStringLiteral("DH")).contains(dh));
        // Items of other departments on the same document are not returned.
        QCOMPARE(scalar(QStringLiteral("select count(*) from MZ_KFDJMX B join YF_YPML C on C.YPBM=B.BM where "
                                       "B.DH='%1' and B.TYBZ=1 and C.ZXKS<>'%2'")
                            .arg(dh, kLab)),
                 QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(StatementTextsTest)
#include "statement_texts_test.moc"
