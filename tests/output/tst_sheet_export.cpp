// Spreadsheet files as other programs read them: libfreexl and python3-xlrd for .xls, the zip
// reader of Python for .xlsx.
#include "output/core/SheetExport.h"
#include "output/core/SheetWriter.h"
#include "output/core/XlsWriter.h"

#include "XlsReader.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

TextTable sampleTable(int rows, int cols = 6) {
    TextTable t;
    for (int c = 0; c < cols; ++c)
        t.headings << QStringLiteral("列%1").arg(c + 1);
    for (int r = 0; r < rows; ++r) {
        QStringList row;
        for (int c = 0; c < cols; ++c)
            row << (c == 2 ? QString() : QStringLiteral("张三%1-%2").arg(r + 1).arg(c + 1));
        t.rows.append(row);
    }
    return t;
}

QString python(const QString& script, const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + args);
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

} // namespace

class SheetExportTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QStringList leftovers() const {
        return QDir(m_dir.path()).entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden);
    }

private slots:
    void xlsHoldsHeadingThenRowsAsGiven() {
        const TextTable table = sampleTable(3);
        AppError error;
        QCOMPARE(SheetExport::write(table, path(QStringLiteral("a.xls")), QStringLiteral("999"), {}, &error),
                 SheetExport::Result::Written);
        QString failure;
        const auto sheets = readXls(path(QStringLiteral("a.xls")), &failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets[0].name, QStringLiteral("999"));
        QCOMPARE(sheets[0].rows.size(), 4);
        QCOMPARE(sheets[0].rows[0], table.headings);
        for (int r = 0; r < 3; ++r)
            QCOMPARE(sheets[0].rows[r + 1], table.rows[r]);
    }

    // Strings longer than one record continue in CONTINUE records; both readers must agree.
    void longTextsSurviveRecordSplits() {
        TextTable table;
        table.headings = {QStringLiteral("内容"), QStringLiteral("说明")};
        table.rows.append({QString(5000, QChar(0x6C49)), QString(9000, QLatin1Char('x'))});
        for (int i = 0; i < 3000; ++i)
            table.rows.append({QStringLiteral("检验项目%1").arg(i), QStringLiteral("item %1").arg(i)});
        table.rows.append({QStringLiteral("末行"), QStringLiteral("Ünïcode ~")});
        const QString file = path(QStringLiteral("long.xls"));
        QCOMPARE(SheetExport::write(table, file, QStringLiteral("长文本"), {}, nullptr),
                 SheetExport::Result::Written);
        const auto sheets = readXls(file);
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets[0].rows.size(), table.rows.size() + 1);
        for (int r = 0; r < table.rows.size(); ++r)
            QCOMPARE(sheets[0].rows[r + 1], table.rows[r]);

        const QString out = python(QStringLiteral("import sys,xlrd\n"
                                                  "b=xlrd.open_workbook(sys.argv[1]);s=b.sheet_by_index(0)\n"
                                                  "print(b.nsheets,s.name,s.nrows,len(s.cell_value(1,0)),"
                                                  "len(s.cell_value(1,1)),s.cell_value(s.nrows-1,0))"),
                                   {file});
        QCOMPARE(out.trimmed(), QStringLiteral("1 长文本 3003 5000 9000 末行"));
    }

    void rowsBeyondOneSheetContinueOnFurtherSheets() {
        const TextTable table = sampleTable(70000);
        const QString file = path(QStringLiteral("big.xls"));
        QCOMPARE(SheetExport::write(table, file, QStringLiteral("999"), {}, nullptr),
                 SheetExport::Result::Written);
        const auto sheets = readXls(file);
        QCOMPARE(sheets.size(), 2);
        QCOMPARE(sheets[0].name, QStringLiteral("999"));
        QCOMPARE(sheets[1].name, QStringLiteral("999 (2)"));
        QCOMPARE(sheets[0].rows.size(), XlsWriter::kMaxRows);
        QCOMPARE(sheets[1].rows.size(), 70000 - (XlsWriter::kMaxRows - 1) + 1);
        QCOMPARE(sheets[1].rows.first(), table.headings);
        QCOMPARE(sheets[0].rows.last(), table.rows[XlsWriter::kMaxRows - 2]);
        QCOMPARE(sheets[1].rows[1], table.rows[XlsWriter::kMaxRows - 1]);
        QCOMPARE(sheets[1].rows.last(), table.rows.last());
    }

    void cancelledOrFailedExportKeepsEarlierFile() {
        const QString file = path(QStringLiteral("kept.xlsx"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("earlier");
        f.close();
        const TextTable table = sampleTable(5000);
        const auto cancelAt2000 = [](qint64 done, qint64) { return done < 2000; };
        QCOMPARE(SheetExport::write(table, file, QStringLiteral("999"), cancelAt2000, nullptr),
                 SheetExport::Result::Cancelled);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("earlier"));
        QVERIFY(leftovers().isEmpty());

        AppError error;
        QCOMPARE(SheetExport::write(table, path(QStringLiteral("missing/a.xls")), QStringLiteral("999"), {},
                                    &error),
                 SheetExport::Result::Failed);
        QVERIFY(error.isSet());
    }

    void xlsxAndCsvCarryTheSameCells() {
        const TextTable table = sampleTable(2);
        QCOMPARE(
            SheetExport::write(table, path(QStringLiteral("a.xlsx")), QStringLiteral("已执行"), {}, nullptr),
            SheetExport::Result::Written);
        const QString out = python(QStringLiteral("import sys,zipfile\n"
                                                  "z=zipfile.ZipFile(sys.argv[1])\n"
                                                  "w=z.read('xl/workbook.xml').decode()\n"
                                                  "s=z.read('xl/worksheets/sheet1.xml').decode()\n"
                                                  "print('已执行' in w, '列6' in s, '张三2-6' in s)"),
                                   {path(QStringLiteral("a.xlsx"))});
        QCOMPARE(out.trimmed(), QStringLiteral("True True True"));

        TextTable quoted;
        quoted.headings = {QStringLiteral("a,b"), QStringLiteral("说\"明")};
        quoted.rows.append({QStringLiteral("1"), QString()});
        QCOMPARE(SheetExport::write(quoted, path(QStringLiteral("a.csv")), {}, {}, nullptr),
                 SheetExport::Result::Written);
        QFile csv(path(QStringLiteral("a.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll(), QStringLiteral("\uFEFF\"a,b\",\"说\"\"明\"\r\n1,\r\n").toUtf8());
    }

    void blankWorkbooksLeaveNoFileOpen() {
        const auto openFiles = [] {
            return QDir(QStringLiteral("/proc/self/fd"))
                .entryList(QDir::AllEntries | QDir::System | QDir::Hidden)
                .size();
        };
        TextTable blank;
        blank.headings = {QString(), QString()};
        blank.rows.append({QString(), QString()});
        const qsizetype before = openFiles();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(SheetExport::write(blank, path(QStringLiteral("blank.xlsx")), {}, {}, nullptr),
                     SheetExport::Result::Written);
        QCOMPARE(openFiles(), before);
        const QString out =
            python(QStringLiteral("import sys,zipfile\n"
                                  "z=zipfile.ZipFile(sys.argv[1])\n"
                                  "print('<sheetData/>' in z.read('xl/worksheets/sheet1.xml').decode())"),
                   {path(QStringLiteral("blank.xlsx"))});
        QCOMPARE(out.trimmed(), QStringLiteral("True"));
    }

    void sheetNamesFitEveryFormat() {
        QCOMPARE(cleanSheetName(QStringLiteral("a[b]:c*?/\\d")), QStringLiteral("abcd"));
        QCOMPARE(cleanSheetName(QString()), QStringLiteral("Sheet1"));
        const QString longName(40, QLatin1Char('n'));
        QCOMPARE(SheetExport::sheetName(longName, 1).size(), 31);
        QCOMPARE(SheetExport::sheetName(longName, 12),
                 QString(26, QLatin1Char('n')) + QStringLiteral(" (12)"));
    }
};

QTEST_GUILESS_MAIN(SheetExportTest)
#include "tst_sheet_export.moc"
