// The demo database creator and the pinyin table it loads.
#include "common/core/AES.h"
#include "common/core/AnsiCodec.h"
#include "db/demo/DemoDatabase.h"
#include "db/demo/PinyinTable.h"
#include "support/TestFolder.h"

#include <QtTest>

#include <sqlite3.h>

namespace {

// Reads one statement's rows as texts with the C API, without the client layer.
QList<QStringList> rows(const QString& file, const QString& sql) {
    QList<QStringList> result;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return {{QStringLiteral("<cannot open>")}};
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK) {
        result.append({QStringLiteral("<error> ") + QString::fromUtf8(sqlite3_errmsg(db))});
    } else {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i)
                row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
            result.append(row);
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

QString value(const QString& file, const QString& sql) {
    const QList<QStringList> r = rows(file, sql);
    return r.isEmpty() ? QString() : r.first().value(0);
}

} // namespace

class DemoDatabaseTest : public QObject {
    Q_OBJECT

private:
    TestFolder m_folder;
    QString m_file;
    DemoOptions m_options;

private slots:
    void initTestCase() {
        m_file = m_folder.file(QStringLiteral("hospital.db"));
        m_options.documents = 400;
        m_options.today = QDate(2026, 12, 7);
        AppError error;
        QVERIFY2(DemoDatabase::create(m_file, m_options, &error), qPrintable(error.description));
    }

    void referenceDataForSignInAndDictionaries() {
        QCOMPARE(
            rows(m_file, QStringLiteral("Select DMMC FROM CS WHERE ControlID Like'ZXKS' order by id")).size(),
            5);
        QCOMPARE(value(m_file, QStringLiteral("Select group_concat(DMMC, ',') From (Select DMMC FROM CS "
                                              "WHERE ControlID Like'ZXKS' order by id)")),
                 DemoDatabase::departments().join(QLatin1Char(',')));
        QCOMPARE(
            value(m_file, QStringLiteral("select Item_Value from QKZL_CONFIG Where Item_Name Like'ZDFY'")),
            QStringLiteral("0"));
        QCOMPARE(value(m_file, QStringLiteral("select password from userdb where username='张护士'")),
                 DemoDatabase::defaultPassword());
        // Every group but one may enter the module.
        const QString right =
            QStringLiteral("Select QX From QX_Temp2 Where MoudelKey='YJXT_IN' and Groupname="
                           "(select group_name from userdb where username='%1')");
        QCOMPARE(value(m_file, right.arg(QStringLiteral("管理员"))), QStringLiteral("1"));
        QCOMPARE(value(m_file, right.arg(QStringLiteral("张护士"))), QStringLiteral("1"));
        QCOMPARE(value(m_file, right.arg(DemoDatabase::userWithoutRight())), QStringLiteral("0"));
        QCOMPARE(value(m_file, QStringLiteral("select SQBH from Yf_sq where username like'管理员'")),
                 QStringLiteral("01"));
        // The unit name deciphers with the default pass phrase.
        QCOMPARE(AES().JMiMa(value(m_file, QStringLiteral("select DWMC from HosPitalInfo"))),
                 DemoDatabase::hospitalName());
        // Window tree: leaves name windows that have links; entry codes are pinyin initials.
        QCOMPARE(
            value(m_file, QStringLiteral("select DM from CS where ControlID='ZXKS' and DMMC='心电图室'")),
            QStringLiteral("XDTS"));
        QVERIFY(value(m_file, QStringLiteral("select count(*) from ZD_Tabel where Lavel=0")).toInt() >= 2);
        QCOMPARE(
            value(m_file, QStringLiteral(
                              "select count(*) from ZD_LinkTable A join ZD_Tabel B on B.Ename=A.FormName")),
            value(m_file, QStringLiteral("select count(*) from ZD_LinkTable")));
        QCOMPARE(value(m_file, QStringLiteral("select count(*) from sysobjects")), QStringLiteral("1"));
        // Every catalogue item of a medical-technology department is in the dictionary.
        QCOMPARE(value(m_file, QStringLiteral(
                                   "select count(*) from YF_YPML where ZXKS not in "
                                   "(select DMMC from CS where ControlID='ZXKS') and ZXKS not like '%药房'")),
                 QStringLiteral("0"));
    }

    void documentsCoverTodayAndEarlierDays() {
        const QString today = QStringLiteral("2026-12-07");
        QCOMPARE(value(m_file, QStringLiteral(
                                   "select (select count(*) from mz_kfdj)+(select count(*) from ZY_KFDJ)")),
                 QStringLiteral("400"));
        QCOMPARE(value(m_file, QStringLiteral("select max(substr(KDRQ,1,10)) from mz_kfdj")), today);
        QCOMPARE(value(m_file, QStringLiteral("select min(substr(KDRQ,1,10)) from mz_kfdj")),
                 QStringLiteral("2026-12-04"));
        QVERIFY(value(m_file, QStringLiteral("select count(*) from ZY_KFDJ")).toInt() > 0);
        // Document numbers: 13 characters, the day written, unique across both tables.
        QCOMPARE(
            value(m_file, QStringLiteral(
                              "select count(*) from (select DH,KDRQ from mz_kfdj union all select DH,KDRQ "
                              "from ZY_KFDJ) "
                              "where length(DH)<>13 or substr(DH,1,8)<>replace(substr(KDRQ,1,10),'-','')")),
            QStringLiteral("0"));
        QCOMPARE(value(m_file, QStringLiteral("select count(*) from mz_kfdj A join ZY_KFDJ B on B.DH=A.DH")),
                 QStringLiteral("0"));
        // Many documents pending today for every department.
        for (const QString& dept : DemoDatabase::departments()) {
            const int pending =
                value(m_file, QStringLiteral(
                                  "select count(distinct A.DH) from mz_kfdj A join MZ_KFDJMX B on B.DH=A.DH "
                                  "join YF_YPML C on C.YPBM=B.BM where A.KDRQ like '%1%' and C.ZXKS='%2' "
                                  "and B.SFBZ=1 and B.TYBZ=0 and B.ZXBZ=0")
                                  .arg(today, dept))
                    .toInt();
            QVERIFY2(pending >= 5, qPrintable(dept));
        }
        // Executions: some voided; numbers unique and of the day executed; items agree.
        QVERIFY(
            value(m_file, QStringLiteral(
                              "select count(*) from MZ_YJZX where SFZF=1 and ZFR is not null and ZFRQ>ZXSJ"))
                .toInt() > 0);
        QVERIFY(value(m_file, QStringLiteral("select count(*) from MZ_YJZX where SFZF=0")).toInt() > 0);
        QCOMPARE(
            value(
                m_file,
                QStringLiteral(
                    "select count(*) from MZ_YJZX where substr(ZXDH,1,8)<>replace(substr(ZXSJ,1,10),'-','') "
                    "or length(ZXDH)<>12")),
            QStringLiteral("0"));
        QCOMPARE(
            value(m_file,
                  QStringLiteral(
                      "select count(*) from MZ_YJZX A where not exists (select 1 from MZ_KFDJMX B join "
                      "YF_YPML C "
                      "on C.YPBM=B.BM where B.DH=A.DH and C.ZXKS=A.KSMC and B.ZXBZ=1 and B.TYBZ=A.SFZF)")),
            QStringLiteral("0"));
        QCOMPARE(value(m_file, QStringLiteral("select count(*) from MZ_FYDJ")),
                 value(m_file, QStringLiteral("select count(*) from MZ_YJZX")));
        // Totals of the headers are the sums of their items.
        QCOMPARE(value(m_file, QStringLiteral("select count(*) from mz_kfdj A where abs(A.ZJE-(select "
                                              "sum(SSJE) from MZ_KFDJMX B where B.DH=A.DH))>0.001")),
                 QStringLiteral("0"));
        QCOMPARE(value(m_file, QStringLiteral("pragma journal_mode")), QStringLiteral("wal"));
    }

    void sameSeedAndDayGiveTheSameData() {
        const QString again = m_folder.file(QStringLiteral("again.db"));
        AppError error;
        QVERIFY(DemoDatabase::create(again, m_options, &error));
        const QString fingerprint =
            QStringLiteral("select group_concat(DH||XM||ZJE, ',') from (select * from mz_kfdj order by DH)");
        QCOMPARE(value(again, fingerprint), value(m_file, fingerprint));
        DemoOptions other = m_options;
        other.seed = 7;
        QVERIFY(DemoDatabase::create(again, other, &error));
        QVERIFY(value(again, fingerprint) != value(m_file, fingerprint));
    }

    void zeroDocumentsGiveOnlyReferenceData() {
        const QString empty = m_folder.file(QStringLiteral("empty.db"));
        DemoOptions options;
        options.documents = 0;
        AppError error;
        QVERIFY(DemoDatabase::create(empty, options, &error));
        QCOMPARE(value(empty, QStringLiteral("select count(*) from mz_kfdj")), QStringLiteral("0"));
        QCOMPARE(value(empty, QStringLiteral("select count(*) from MZ_YJZX")), QStringLiteral("0"));
        QCOMPARE(value(empty, QStringLiteral("select count(*) from sys_procedures")), QStringLiteral("6"));
        QVERIFY(value(empty,
                      QStringLiteral(
                          "select count(*) from sqlite_master where type='index' and name='MZ_YJZX_ZXDH'")) ==
                QStringLiteral("1"));
    }

    void unwritablePlaceFailsWithAReason() {
        AppError error;
        const QString file = m_folder.file(QStringLiteral("no/such/folder/hospital.db"));
        QVERIFY(!DemoDatabase::create(file, m_options, &error));
        QVERIFY(!error.description.isEmpty());
        QVERIFY(!QFile::exists(file));
    }

    void pinyinTableCoversGb2312() {
        const PinyinTable& table = PinyinTable::shipped();
        QStringList missing;
        // GB2312 Chinese characters: rows 16 to 55 (level 1, row 55 ends at column 89) and 56 to 87.
        for (int row = 16; row <= 87; ++row) {
            for (int col = 1; col <= 94; ++col) {
                if (row == 55 && col > 89)
                    continue;
                QByteArray bytes;
                bytes.append(char(0xA0 + row)).append(char(0xA0 + col));
                const QString hz = AnsiCodec::decode(bytes);
                if (hz.size() != 1 || !table.contains(hz.at(0)))
                    missing << QStringLiteral("%1-%2").arg(row).arg(col);
            }
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.mid(0, 20).join(QLatin1Char(' '))));
        QCOMPARE(table.size(), value(m_file, QStringLiteral("select count(*) from GY_HZBM")).toInt());
        QCOMPARE(value(m_file, QStringLiteral("SELECT PY FROM GY_HZBM WHERE HZ='检'")), QStringLiteral("J"));
        QCOMPARE(table.initialsOf(QStringLiteral("超声 科")), QStringLiteral("CSK"));
        QCOMPARE(table.initialsOf(QStringLiteral("B超2号室")), QStringLiteral("BC2HS"));
        QCOMPARE(table.initialsOf(QStringLiteral("血常规")), QStringLiteral("XCG"));
        // A malformed line is skipped, a lower-case initial raised.
        const PinyinTable small = PinyinTable::fromText(QStringLiteral("检j\r\nxx\n\n验Y\n"));
        QCOMPARE(small.size(), 2);
        QCOMPARE(small.initialsOf(QStringLiteral("检验")), QStringLiteral("JY"));
    }

    void schemaFilesForBothEnginesNameTheSameTables() {
        // Each table as "name(column,column,...)" and each index as written, so that a column
        // or an index added to one engine only shows up here.
        const auto tables = [](const QString& sql) {
            const QRegularExpression table(QStringLiteral("CREATE TABLE (\\w+) \\((.*?)\\n\\);"),
                                           QRegularExpression::DotMatchesEverythingOption);
            QStringList result;
            for (auto it = table.globalMatch(sql); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                QStringList columns;
                for (const QString& line : m.captured(2).split(QLatin1Char('\n'))) {
                    const QString trimmed = line.trimmed();
                    if (!trimmed.isEmpty() && !trimmed.startsWith(QStringLiteral("--")))
                        columns << trimmed.section(QLatin1Char(' '), 0, 0);
                }
                result << m.captured(1) + QLatin1Char('(') + columns.join(QLatin1Char(',')) +
                              QLatin1Char(')');
            }
            return result;
        };
        const auto indexes = [](const QString& sql) {
            const QRegularExpression index(QStringLiteral("CREATE (UNIQUE )?INDEX \\w+ ON \\w+ \\([^)]*\\)"));
            QStringList result;
            for (auto it = index.globalMatch(sql); it.hasNext();)
                result << it.next().captured(0);
            result.sort();
            return result;
        };
        QStringList sqlite = tables(DemoDatabase::schemaSql());
        const QStringList server = tables(DemoDatabase::sqlServerSchemaSql());
        QVERIFY(sqlite.size() > 10);
        QVERIFY(sqlite.first().startsWith(QStringLiteral("sysobjects(")));
        QVERIFY(sqlite[1].startsWith(QStringLiteral("sys_procedures(")));
        sqlite.remove(0, 2);
        QCOMPARE(server, sqlite);
        QVERIFY(server.contains(QStringLiteral("MZ_YJZX(id,ZXDH,DH,ZXR,FHR,KSMC,XM,ZXSJ,SFZF,ZFR,ZFRQ)")));
        QCOMPARE(indexes(DemoDatabase::sqlServerSchemaSql()), indexes(DemoDatabase::schemaSql()));
        const QRegularExpression procedure(QStringLiteral("CREATE PROCEDURE (\\w+)"));
        QStringList procedures;
        for (auto it = procedure.globalMatch(DemoDatabase::sqlServerProceduresSql()); it.hasNext();)
            procedures << it.next().captured(1);
        procedures.sort();
        QStringList embedded;
        for (const QStringList& r :
             rows(m_file, QStringLiteral("select name from sys_procedures order by name")))
            embedded << r.first();
        QCOMPARE(procedures, embedded);
    }
};

QTEST_GUILESS_MAIN(DemoDatabaseTest)
#include "demo_database_test.moc"
