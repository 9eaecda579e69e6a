// "yjgl-admin export" as IT staff run it on the demo database; the files are read back with
// libfreexl, xlrd, openpyxl and pdftotext.
#include "db/demo/DemoDatabase.h"
#include "support/TestFolder.h"

#include "../output/XlsReader.h"

#include <QProcess>
#include <QtTest>

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

Result run(const QString& program, const QStringList& args, const QString& home = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!home.isEmpty())
        env.insert(QStringLiteral("YJGL_HOME"), home);
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the tool runs without a screen by itself
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

Result admin(const QStringList& args, const QString& home) {
    return run(QCoreApplication::applicationDirPath() + QStringLiteral("/yjgl-admin"), args, home);
}

const QString kItems =
    QStringLiteral("select top 100 DH as 处方单号, PM as 品名, SSJE as 实收 from MZ_KFDJMX order by id");

} // namespace

class AdminExportTest : public QObject {
    Q_OBJECT

private:
    TestFolder m_folder;

private slots:
    void initTestCase() {
        const Result r = admin({QStringLiteral("init-demo"), m_folder.path(), QStringLiteral("--documents"),
                                QStringLiteral("80")},
                               {});
        QVERIFY2(r.status == 0, qPrintable(r.err));
    }

    void workbookHasHeadingThenRowsOnSheetNamedAfterTitle() {
        const QString file = m_folder.file(QStringLiteral("items.xls"));
        const Result r = admin(
            {QStringLiteral("export"), kItems, file, QStringLiteral("--title"), QStringLiteral("一月明细")},
            m_folder.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const auto sheets = readXls(file);
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets[0].name, QStringLiteral("一月明细"));
        QCOMPARE(sheets[0].rows.size(), 101);
        QCOMPARE(sheets[0].rows[0],
                 QStringList({QStringLiteral("处方单号"), QStringLiteral("品名"), QStringLiteral("实收")}));
        QVERIFY(!sheets[0].rows[1][1].isEmpty());
    }

    // Database numbers and dates become number and date cells; document numbers stay text; the
    // amounts sum to the database's total in both formats.
    void numbersAndDatesAreCellsThatSum() {
        const QString from = QStringLiteral(" from MZ_KFDJMX K join MZ_YJZX Y on Y.DH=K.DH");
        const QString total =
            admin({QStringLiteral("query"), QStringLiteral("select sum(K.SSJE)") + from}, m_folder.path())
                .out.split(QLatin1Char('\n'))
                .value(1)
                .trimmed();
        QVERIFY(total.toDouble() > 0);
        const QString script = QStringLiteral(
            "import sys,xlrd,openpyxl\n"
            "s=xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
            "x=[s.row(r) for r in range(1,s.nrows)]\n"
            "print(sorted(set(c.ctype for r in x for c in r)),'%.2f'%sum(r[1].value for r in x))\n"
            "w=list(openpyxl.load_workbook(sys.argv[2]).active.iter_rows(min_row=2))\n"
            "print(sorted(set(c.data_type for r in w for c in r)),'%.2f'%sum(r[1].value for r in w))");
        QStringList files;
        for (const QString& name : {QStringLiteral("sum.xls"), QStringLiteral("sum.xlsx")}) {
            files << m_folder.file(name);
            const Result r =
                admin({QStringLiteral("export"),
                       QStringLiteral("select K.DH as 处方单号, K.SSJE as 实收, Y.ZXSJ as 执行时间") + from,
                       files.last()},
                      m_folder.path());
            QVERIFY2(r.status == 0, qPrintable(r.err));
        }
        const Result read =
            run(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + files);
        const QString sum = QString::number(total.toDouble(), 'f', 2);
        QVERIFY2(read.err.isEmpty(), qPrintable(read.err));
        QCOMPARE(read.out.trimmed(), QStringLiteral("[1, 2, 3] %1\n['d', 'n', 's'] %1").arg(sum));
    }

    void pdfReportCarriesTheNineLines() {
        const QString file = m_folder.file(QStringLiteral("items.pdf"));
        Result r = admin({QStringLiteral("export"), kItems, file, QStringLiteral("--title"),
                          QStringLiteral("一月明细"), QStringLiteral("--from"), QStringLiteral("2010-01-01"),
                          QStringLiteral("--to"), QStringLiteral("2010-01-31")},
                         m_folder.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const Result text =
            run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
        const QStringList pages = text.out.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QVERIFY(pages.size() >= 2);
        for (int p = 0; p < pages.size(); ++p) {
            const QString page = QString(pages[p]).remove(QLatin1Char(' '));
            QVERIFY(page.contains(QStringLiteral("一月明细")));
            QVERIFY(page.contains(QStringLiteral("日期：2010-01-01到2010-01-31")));
            QVERIFY(page.contains(QStringLiteral("制单人:")));
            QVERIFY(page.contains(QStringLiteral("打印日期:")));
            QVERIFY(page.contains(QStringLiteral("第%1页共%2页").arg(p + 1).arg(pages.size())));
        }
        QVERIFY(QString(pages[0]).remove(QLatin1Char(' ')).contains(DemoDatabase::hospitalName()));

        r = admin({QStringLiteral("export"), kItems, file}, m_folder.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const Result undated = run(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
        QVERIFY(!undated.out.contains(QStringLiteral("日期：")));
        QVERIFY(undated.out.contains(QStringLiteral("items")));
    }

    // The executed document of the demo data: with its department, that department's items and
    // execution number; without, every item. The barcode reads back as the number.
    void slipOfAnExecutedDocument() {
        Result q = admin({QStringLiteral("query"),
                          QStringLiteral("select top 1 DH,KSMC,ZXDH from MZ_YJZX where SFZF=0 order by id")},
                         m_folder.path());
        const QStringList row = q.out.split(QLatin1Char('\n')).value(1).split(QLatin1Char('\t'));
        QCOMPARE(row.size(), 3);
        const QString file = m_folder.file(QStringLiteral("slip.pdf"));
        Result r =
            admin({QStringLiteral("slip"), row[0], file, QStringLiteral("--dept"), row[1]}, m_folder.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const QString text = run(QStringLiteral("pdftotext"), {file, QStringLiteral("-")}).out;
        QVERIFY(text.contains(row[0]));
        QVERIFY2(text.contains(row[2]), qPrintable(text));
        QVERIFY(QString(text).remove(QLatin1Char(' ')).contains(DemoDatabase::hospitalName()));
        run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"),
                                         QStringLiteral("-singlefile"), file, file});
        QCOMPARE(run(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), file + QStringLiteral(".png")})
                     .out.trimmed(),
                 QStringLiteral("CODE-128:") + row[0]);

        r = admin({QStringLiteral("slip"), row[0], file}, m_folder.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY(!run(QStringLiteral("pdftotext"), {file, QStringLiteral("-")}).out.contains(row[2]));
        r = admin({QStringLiteral("slip"), QStringLiteral("NO-SUCH-DH"), file}, m_folder.path());
        QCOMPARE(r.status, 1);
    }

    // A voided execution of the demo data: marked void with who voided it, its execution number,
    // and no barcode.
    void slipOfAVoidedDocument() {
        const Result q =
            admin({QStringLiteral("query"),
                   QStringLiteral("select top 1 DH,KSMC,ZXDH,ZFR from MZ_YJZX where SFZF=1 order by id")},
                  m_folder.path());
        const QStringList row = q.out.split(QLatin1Char('\n')).value(1).split(QLatin1Char('\t'));
        QCOMPARE(row.size(), 4);
        const QString file = m_folder.file(QStringLiteral("void.pdf"));
        const Result r =
            admin({QStringLiteral("slip"), row[0], file, QStringLiteral("--dept"), row[1]}, m_folder.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const QString text =
            run(QStringLiteral("pdftotext"), {file, QStringLiteral("-")}).out.remove(QLatin1Char(' '));
        QVERIFY2(text.contains(row[2]) && text.contains(QStringLiteral("作废人：") + row[3]),
                 qPrintable(text));
        run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"),
                                         QStringLiteral("-singlefile"), file, file});
        QCOMPARE(run(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), file + QStringLiteral(".png")})
                     .out.trimmed(),
                 QString());
    }

    void badCallsSayWhy() {
        Result r = admin({QStringLiteral("export"), kItems}, m_folder.path());
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(QStringLiteral("用法")));
        r = admin({QStringLiteral("export"), QStringLiteral("select nothing from nowhere"),
                   m_folder.file(QStringLiteral("x.xls"))},
                  m_folder.path());
        QCOMPARE(r.status, 1);
        QVERIFY(!QFile::exists(m_folder.file(QStringLiteral("x.xls"))));
    }
};

QTEST_GUILESS_MAIN(AdminExportTest)
#include "tst_admin_export.moc"
