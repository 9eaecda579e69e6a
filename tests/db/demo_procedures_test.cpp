// The stored procedures of the embedded database, run through the client layer as the windows
// run them: which documents are pending for a department, execution, voiding.
#include "db/Connection.h"
#include "db/demo/DemoDatabase.h"
#include "support/TestEngine.h"
#include "support/TestFolder.h"

#include <QtTest>

namespace {

const QString kDay = QStringLiteral("2026-12-07");
const QString kLab = QStringLiteral("检验科");
const QString kXray = QStringLiteral("放射科");

QString listFor(const QString& dept, const QString& day = kDay) {
    return QStringLiteral("exec YJ_List '%1','%2 00:00:00','%2 23:59:59'").arg(dept, day);
}

} // namespace

class DemoProceduresTest : public QObject {
    Q_OBJECT

private:
    TestFolder m_folder;
    std::unique_ptr<ServerTestDatabase> m_server;
    Connection* m_conn = nullptr;

    RecordsetPtr run(const QString& sql, Connection* conn = nullptr) {
        AppError error;
        RecordsetPtr rs = (conn ? conn : m_conn)->execute(sql, &error);
        if (!rs)
            qWarning() << sql << error.description;
        return rs;
    }
    QStringList column(const QString& sql, int index = 0) {
        QStringList values;
        RecordsetPtr rs = run(sql);
        if (!rs)
            return {QStringLiteral("<failed>")};
        for (rs->MoveFirst(); !rs->isEOF(); rs->MoveNext())
            values << rs->text(index);
        return values;
    }
    int count(const QString& sql) {
        RecordsetPtr rs = run(sql);
        return rs ? rs->RecordCount() : -1;
    }
    // An outpatient document; items as (code, paid) pairs.
    void outpatient(const QString& dh, const QString& name, const QString& written,
                    const QList<std::pair<QString, int>>& items) {
        QVERIFY(run(QStringLiteral("Insert Into mz_kfdj(DH,XM,XB,NL,KDYS,KDRQ,SFBZ) "
                                   "Values('%1','%2','男','40岁','刘建华','%3',1)")
                        .arg(dh, name, written)));
        for (const auto& [code, paid] : items) {
            QVERIFY(
                run(QStringLiteral("Insert Into MZ_KFDJMX(DH,GroupYP,BM,PM,GG,DW,SL,DJ,SSJE,SFBZ) "
                                   "Select '%1',1,YPBM,YPMC,GG,DW,1,DJ,DJ,%2 From YF_YPML Where YPBM='%3'")
                        .arg(dh, QString::number(paid), code)));
        }
    }
    // What the execution window does: record and procedure in one transaction.
    bool execute(const QString& zxdh, const QString& dh, const QString& dept, Connection* conn = nullptr,
                 AppError* failure = nullptr) {
        Connection* c = conn ? conn : m_conn;
        AppError error;
        if (!c->beginTrans(&error))
            return false;
        const bool ok = c->execute(QStringLiteral("Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM) "
                                                  "Values('%1','%2','张护士','李检验','%3','病人')")
                                       .arg(zxdh, dh, dept),
                                   &error) &&
                        c->execute(QStringLiteral("Exec P_YJZX '%1','%2'").arg(dh, dept), &error);
        if (!ok) {
            c->rollbackTrans();
            if (failure)
                *failure = error;
            return false;
        }
        return c->commitTrans(&error);
    }

private slots:
    void initTestCase() {
        DemoOptions options;
        options.documents = 0;
        AppError error;
        const QString connection =
            TestEngine::createDemo(m_folder.file(QStringLiteral("hospital.db")), options, &m_server, &error);
        QVERIFY2(!connection.isEmpty(), qPrintable(error.description));
        // A short lock wait: the second workstation's case waits for the lock to time out.
        m_conn = &resetGlobalConnection(connection + QStringLiteral("Busy Timeout=300;"));
        QVERIFY2(m_conn->open(&error), qPrintable(error.description));

        // 01: lab and X-ray items plus a drug. 02: one lab item unpaid, one lab item returned.
        // 03: only drugs. 04: lab, written at the day's last second. 05: the next day's first second.
        outpatient(QStringLiteral("2026120700001"), QStringLiteral("王伟"),
                   kDay + QStringLiteral(" 08:00:00"),
                   {{"JY0001", 1}, {"JY0004", 1}, {"FS0001", 1}, {"YP0001", 1}});
        outpatient(QStringLiteral("2026120700002"), QStringLiteral("李芳"),
                   kDay + QStringLiteral(" 09:00:00"), {{"JY0002", 0}, {"JY0005", 1}});
        QVERIFY(run(QStringLiteral("Update MZ_KFDJMX Set TYBZ=1 Where DH='2026120700002' And BM='JY0005'")));
        outpatient(QStringLiteral("2026120700003"), QStringLiteral("张敏"),
                   kDay + QStringLiteral(" 10:00:00"), {{"YP0001", 1}, {"YP0003", 1}});
        outpatient(QStringLiteral("2026120700004"), QStringLiteral("刘强"),
                   kDay + QStringLiteral(" 23:59:59"), {{"JY0006", 1}});
        outpatient(QStringLiteral("2026120800001"), QStringLiteral("陈静"),
                   QStringLiteral("2026-12-08 00:00:00"), {{"JY0006", 1}});
        // An inpatient document for the lab.
        QVERIFY(run(QStringLiteral(
            "Insert Into ZY_KFDJ(DH,ZYH,CWH,XM,XB,KDYS,KDRQ) "
            "Values('2026120700006','ZY12001','3床','杨丽','女','周敏','2026-12-07 11:00:00')")));
        QVERIFY(run(QStringLiteral("Insert Into ZY_KFDJMX(DH,BM,PM,SL,DJ,SSJE,SFBZ) "
                                   "Values('2026120700006','JY0001','血常规',1,20,20,1)")));
    }

    void pendingListFollowsPaidReturnedAndDepartment() {
        RecordsetPtr rs = run(listFor(kLab));
        QVERIFY(rs);
        QCOMPARE(rs->fieldNames(), (QStringList{"DH", "XM", "LX", "IsPrint"}));
        QStringList rows;
        for (rs->MoveFirst(); !rs->isEOF(); rs->MoveNext())
            rows << rs->text("DH") + QLatin1Char('/') + rs->text("LX");
        // 02 has only an unpaid and a returned lab item; 03 only drugs; 05 is the next day.
        QCOMPARE(rows, (QStringList{"2026120700001/门诊", "2026120700006/住院", "2026120700004/门诊"}));
        rs->MoveFirst();
        QVERIFY(rs->isNull("IsPrint"));

        QCOMPARE(column(listFor(kXray)), QStringList{"2026120700001"});
        QCOMPARE(column(listFor(QStringLiteral("超声科"))), QStringList{});
        QCOMPARE(column(listFor(kLab, QStringLiteral("2026-12-08"))), QStringList{"2026120800001"});
    }

    void detailAndLookupShowOnlyTheDepartmentsPendingItems() {
        RecordsetPtr rs = run(QStringLiteral("Exec Get_YJMX '检验科','2026120700001'"));
        QVERIFY(rs);
        QCOMPARE(rs->fieldNames(), (QStringList{"GroupYP", "BM", "PM", "GG", "DW", "SL", "DJ", "SSJE", "KCL",
                                                "LX", "SFJKC", "CLB", "ID"}));
        QCOMPARE(rs->RecordCount(), 2);
        QCOMPARE(rs->text("BM"), QStringLiteral("JY0001"));
        QCOMPARE(rs->text("PM"), QStringLiteral("血常规"));
        QCOMPARE(rs->number("DJ"), 20.0);
        QCOMPARE(rs->text("LX"), QStringLiteral("检验"));
        QVERIFY(rs->number("ID") > 0);

        QCOMPARE(count(QStringLiteral("Exec SP_MZ_CF '2026120700001','检验科'")), 1);
        QCOMPARE(count(QStringLiteral("Exec SP_MZ_CF '2026120700003','检验科'")), 0); // drugs only
        QCOMPARE(count(QStringLiteral("Exec SP_MZ_CF '2026120700006','检验科'")), 0); // inpatient
        QCOMPARE(count(QStringLiteral("Exec SP_MZ_CF '2026129999999','检验科'")), 0);
    }

    void twoDepartmentsEachExecuteTheirPartOnce() {
        const QString dh = QStringLiteral("2026120700001");
        QVERIFY(execute(QStringLiteral("202612070001"), dh, kLab));
        QVERIFY(!column(listFor(kLab)).contains(dh));
        QVERIFY(column(listFor(kXray)).contains(dh));
        QCOMPARE(count(QStringLiteral("Exec Get_YJMX '放射科','%1'").arg(dh)), 1);
        QCOMPARE(count(QStringLiteral("Select * From MZ_KFDJMX Where DH='%1' And ZXBZ=1 And ZXSJ Is Not Null")
                           .arg(dh)),
                 2);

        // The same department again: the procedure fails and the record goes with the rollback.
        AppError failure;
        QVERIFY(!execute(QStringLiteral("202612070002"), dh, kLab, nullptr, &failure));
        QVERIFY2(failure.description.contains(QStringLiteral("已没有待执行的项目")),
                 qPrintable(failure.description));
        QCOMPARE(count(QStringLiteral("Select * From MZ_YJZX Where DH='%1'").arg(dh)), 1);

        QVERIFY(execute(QStringLiteral("202612070003"), dh, kXray));
        QVERIFY(!column(listFor(kXray)).contains(dh));
        // The drug item stays as it was: the pharmacy is not a department of this module.
        QCOMPARE(count(QStringLiteral("Select * From MZ_KFDJMX Where DH='%1' And ZXBZ=0").arg(dh)), 1);
    }

    void secondWorkstationCannotExecuteTheSameDocument() {
        const QString dh = QStringLiteral("2026120700004");
        Connection other;
        other.setConnectionString(m_conn->connectionString());
        AppError error;
        QVERIFY2(other.open(&error), qPrintable(error.description));
        // The other workstation has started its execution and seen the document pending...
        QVERIFY(other.beginTrans(&error));
        RecordsetPtr seen = other.execute(QStringLiteral("Exec SP_MZ_CF '%1','检验科'").arg(dh), &error);
        QVERIFY(seen && seen->RecordCount() == 1);
        // ...when this one executes it too; whichever comes second must fail.
        const bool first = execute(QStringLiteral("202612070004"), dh, kLab);
        bool second =
            other.execute(QStringLiteral("Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM) "
                                         "Values('202612070005','%1','李检验','李检验','检验科','刘强')")
                              .arg(dh),
                          &error) &&
            other.execute(QStringLiteral("Exec P_YJZX '%1','检验科'").arg(dh), &error);
        second = second && other.commitTrans(&error);
        if (!second)
            other.rollbackTrans();
        QVERIFY(first != second);
        QCOMPARE(count(QStringLiteral("Select * From MZ_YJZX Where DH='%1'").arg(dh)), 1);
        QCOMPARE(count(QStringLiteral("Select * From MZ_KFDJMX Where DH='%1' And ZXBZ=1").arg(dh)), 1);
        if (second) // keep the numbering the later cases expect
            QVERIFY(run(QStringLiteral("Update MZ_YJZX Set ZXDH='202612070004' Where DH='%1'").arg(dh)));
    }

    void executionRecordDefaultsAndUniqueNumber() {
        RecordsetPtr rs = run(QStringLiteral("Select ZXSJ,SFZF,ZFR From MZ_YJZX Where ZXDH='202612070001'"));
        QVERIFY(rs && rs->RecordCount() == 1);
        QVERIFY(rs->dateTime("ZXSJ").isValid());
        QVERIFY(qAbs(rs->dateTime("ZXSJ").secsTo(QDateTime::currentDateTime())) < 600);
        QCOMPARE(rs->text("SFZF"), QStringLiteral("0"));
        QVERIFY(rs->isNull("ZFR"));
        AppError error;
        QVERIFY(!m_conn->execute(
            QStringLiteral("Insert Into MZ_YJZX(ZXDH,DH,KSMC) Values('202612070001','x','检验科')"), &error));
        QVERIFY(error.isSet());
    }

    void voidingListsAndReturnsOnlyTheDepartmentsItems() {
        const QString dh = QStringLiteral("2026120700001");
        const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        const QString voidList = QStringLiteral("Exec P_MZ_YJTDList '%1','%2','%3 00:00:00','%3 23:59:59'");
        QCOMPARE(column(voidList.arg(kLab, QStringLiteral("%"), today)),
                 (QStringList{"2026120700001", "2026120700004"}));
        QCOMPARE(column(voidList.arg(kLab, QStringLiteral("王%"), today)), QStringList{dh});
        QCOMPARE(column(voidList.arg(kLab, QStringLiteral("王%"), today), 1), QStringList{"王伟"});
        QCOMPARE(column(voidList.arg(kLab, QStringLiteral("%"), QStringLiteral("2026-01-01"))),
                 QStringList{});

        RecordsetPtr items = run(QStringLiteral("Exec Get_YJZFMX '检验科','%1'").arg(dh));
        QVERIFY(items);
        QCOMPARE(items->fieldNames(), (QStringList{"GroupYP", "BM", "PM", "GG", "DW", "SL", "DJ", "SSJE"}));
        QCOMPARE(items->RecordCount(), 2);

        // The voiding window's two statements.
        AppError error;
        QVERIFY(m_conn->beginTrans(&error));
        QVERIFY(m_conn->execute(
            QStringLiteral("Update MZ_YJZX Set SFZF=1,ZFR='张护士',ZFRQ=Getdate() Where DH='%1'").arg(dh),
            &error));
        QVERIFY(m_conn->execute(
            QStringLiteral("Update MZ_KFDJMX Set TYBZ=1 From MZ_KFDJMX,YF_YPML Where "
                           "MZ_KFDJMX.BM=YF_YPML.YPBM AND  MZ_KFDJMX.DH='%1' And YF_YPML.ZXKS='检验科'")
                .arg(dh),
            &error));
        QVERIFY2(m_conn->commitTrans(&error), qPrintable(error.description));

        QCOMPARE(column(voidList.arg(kLab, QStringLiteral("%"), today)), QStringList{"2026120700004"});
        QCOMPARE(count(QStringLiteral("Exec Get_YJZFMX '检验科','%1'").arg(dh)), 0);
        // A voided document does not come back as pending; the X-ray item is not returned.
        QVERIFY(!column(listFor(kLab)).contains(dh));
        QCOMPARE(count(QStringLiteral("Select * From MZ_KFDJMX Where DH='%1' And TYBZ=1").arg(dh)), 2);
        QCOMPARE(count(QStringLiteral("Exec Get_YJZFMX '放射科','%1'").arg(dh)), 1);
        QCOMPARE(count(QStringLiteral("Select * FROM MZ_YJZX Where SFZF=1 AND  KSMC Like'检验科' AND ZFR "
                                      "Like'%' AND ZFRQ Between '%1 00:00:00' And '%1 23:59:59'")
                           .arg(today)),
                 1);
    }

    void executingAnUnknownDocumentFails() {
        AppError error;
        QVERIFY(!m_conn->execute(QStringLiteral("exec P_YJZX '','检验科'"), &error));
        QVERIFY(error.description.contains(QStringLiteral("已没有待执行的项目")));
        // A document with drugs only has nothing for a medical-technology department.
        QVERIFY(!m_conn->execute(QStringLiteral("exec P_YJZX '2026120700003','检验科'"), &error));
    }
};

QTEST_GUILESS_MAIN(DemoProceduresTest)
#include "demo_procedures_test.moc"
