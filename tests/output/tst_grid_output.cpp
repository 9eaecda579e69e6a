// Grid print, preview and export as the windows call them, with scripted dialogs and printers;
// the pages are read back with pdftotext, the workbooks with libfreexl, xlrd and openpyxl.
#include "common/FileDialogService.h"
#include "common/SpreadGrid.h"
#include "common/core/Session.h"
#include "output/GridOutput.h"
#include "output/pages/ReportLayout.h"
#include "support/FakeFileDialogService.h"
#include "support/FakeMessageService.h"
#include "support/FakePrintService.h"

#include "XlsReader.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class GridOutputTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<FakeMessageService> m_messages;
    std::unique_ptr<FakeFileDialogService> m_files;
    std::unique_ptr<FakePrintService> m_printer;
    std::unique_ptr<SpreadGrid> m_grid;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void fill(int rows, int cols = 6) {
        m_grid->setMaxCols(cols);
        for (int c = 1; c <= cols; ++c) {
            m_grid->setColumnHeader(c, QStringLiteral("标题%1").arg(c));
            m_grid->setColumnWidthChars(c, 12);
        }
        QVector<QStringList> data(rows);
        for (int r = 0; r < rows; ++r) {
            for (int c = 1; c <= cols; ++c)
                data[r] << QStringLiteral("病人%1格%2").arg(r + 1).arg(c);
        }
        m_grid->setAllRows(std::move(data));
    }

    bool print(bool direct, const QString& startDate = QStringLiteral("2010-01-01")) {
        return PrintGrid(nullptr, m_grid.get(), QStringLiteral("【检验科】已执行单据查询"), false, direct,
                         QString(), startDate, QStringLiteral("2010-01-31"), QStringLiteral("制单人:张三"),
                         QStringLiteral("打印日期:2010-02-01"));
    }

    // Rows that fill exactly `pages` pages of the preview printer.
    int rowsForPages(int pages) {
        fill(1);
        const SpreadGridTable table(*m_grid, SpreadGridTable::WithRowNumbers);
        const ReportDescription report = Report::describeGridReport({}, {}, {});
        const ReportLayout layout(report, table);
        QPrinter printer(QPrinter::HighResolution);
        layout.prepare(printer);
        return layout.rowsPerPage(printer) * (pages - 1) + 1;
    }

    // Each cell of the data rows as "type:value", as the reading library gives it.
    static QString readCells(const QString& file) {
        const QString script = file.endsWith(QStringLiteral(".xlsx"))
                                   ? QStringLiteral("import sys,openpyxl\n"
                                                    "s=openpyxl.load_workbook(sys.argv[1]).active\n"
                                                    "for r in s.iter_rows(min_row=2):\n"
                                                    " print('|'.join('%s:%s:%s'%(c.data_type,c.value,"
                                                    "c.number_format) for c in r))")
                                   : QStringLiteral("import sys,xlrd\n"
                                                    "b=xlrd.open_workbook(sys.argv[1],formatting_info=True)\n"
                                                    "s=b.sheet_by_index(0)\n"
                                                    "v=lambda c:xlrd.xldate_as_datetime(c.value,b.datemode)"
                                                    " if c.ctype==3 else c.value\n"
                                                    "for r in range(1,s.nrows):\n"
                                                    " print('|'.join('%d:%s:%s'%(c.ctype,v(c),"
                                                    "b.format_map[b.xf_list[c.xf_index].format_key]"
                                                    ".format_str) for c in s.row(r)))");
        QProcess p;
        p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, file});
        p.waitForFinished(120000);
        return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
    }

    QString titled(const QString& text) const {
        return Messages::applicationTitle() + QStringLiteral("  ") + text;
    }

private slots:
    void initTestCase() {
        Messages::setApplicationTitle(QStringLiteral("医技管理"));
        gHospitalName = QStringLiteral("阳光社区医院");
        currentUser().GetUserName = QStringLiteral("张三");
    }

    void init() {
        m_messages = std::make_unique<FakeMessageService>();
        m_files = std::make_unique<FakeFileDialogService>();
        m_printer = std::make_unique<FakePrintService>(m_dir.path());
        m_grid = std::make_unique<SpreadGrid>();
        fill(3);
    }

    void cleanup() {
        m_grid.reset();
        m_printer.reset();
        m_files.reset();
        m_messages.reset();
        for (const QString& f : QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(path(f));
    }

    void reportLinesFollowTheArguments() {
        GridReportArgs args;
        args.startDate = QStringLiteral("2010-01-01");
        args.endDate = QStringLiteral("2010-01-31");
        args.makerText = QStringLiteral("制单人:张三");
        ReportDescription r =
            Report::describeGridReport(args, QStringLiteral("阳光社区医院"), QStringLiteral("张三"));
        QCOMPARE(r.param.Name, QStringLiteral("统计日期"));
        QCOMPARE(r.param.Value, QStringLiteral("2010-01-01 到 2010-01-31"));
        QCOMPARE(r.lines[4].Text, QStringLiteral("日期：{统计日期}"));
        QCOMPARE(Report::expandTokens(r.lines[4].Text, r, 1, 1),
                 QStringLiteral("日期：2010-01-01 到 2010-01-31"));
        r.title = QStringLiteral("{页码}{单位名称}");
        QCOMPARE(Report::expandTokens(QStringLiteral("{报表名}|{页码}"), r, 2, 3),
                 QStringLiteral("{页码}{单位名称}|第 2 页 共 3 页"));
        QCOMPARE(r.lines[0].FontSize, 16);
        QCOMPARE(r.lines[0].Bold, -1);
        QCOMPARE(r.lines[5].Text, QStringLiteral("制单人:张三"));
        QCOMPARE(r.layoutValue, 45);
        QCOMPARE(r.unitName, QStringLiteral("阳光社区医院"));
        QCOMPARE(r.operatorName, QStringLiteral("张三"));

        args.startDate = QStringLiteral("  ");
        args.unitName = QStringLiteral("分院");
        args.layoutValue = 30;
        r = Report::describeGridReport(args, QStringLiteral("阳光社区医院"), {});
        QVERIFY(r.lines[4].Text.isEmpty());
        QCOMPARE(r.unitName, QStringLiteral("分院"));
        QCOMPARE(r.layoutValue, 30);
    }

    void previewShowsHeaderAndFooterOnEveryPage() {
        fill(rowsForPages(3));
        QVERIFY(print(false));
        QCOMPARE(m_printer->previews.size(), 1);
        const QString pdf = m_printer->previews.first();
        QCOMPARE(pdfInfo(pdf, QStringLiteral("Pages")), QStringLiteral("3"));
        const QStringList pages = pdfText(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), 3);
        for (int p = 0; p < 3; ++p) {
            const QString& page = pages[p];
            QVERIFY2(page.contains(QStringLiteral("【检验科】已执行单据查询")), qPrintable(page));
            QVERIFY(page.contains(QStringLiteral("阳光社区医院")));
            QVERIFY(page.contains(QStringLiteral("日期：2010-01-01 到 2010-01-31")));
            QVERIFY(page.contains(QStringLiteral("制单人:张三")));
            QVERIFY(page.contains(QStringLiteral("打印日期:2010-02-01")));
            QVERIFY(page.contains(QStringLiteral("标题6")));
            // pdftotext drops the blanks between Chinese characters.
            QVERIFY(
                QString(page).remove(QLatin1Char(' ')).contains(QStringLiteral("第%1页共3页").arg(p + 1)));
        }
        QVERIFY(pages[0].contains(QStringLiteral("病人1格1")));
        QVERIFY(pages[2].contains(QStringLiteral("病人%1格6").arg(m_grid->maxRows())));
    }

    void emptyStartDatePrintsNoDate() {
        QVERIFY(print(false, QString()));
        const QString text = pdfText(m_printer->previews.first());
        QVERIFY(text.contains(QStringLiteral("阳光社区医院")));
        QVERIFY(!text.contains(QStringLiteral("日期：")));
    }

    void directPrintGoesToTheChosenPrinter() {
        m_printer->printers = {QStringLiteral("HP LaserJet")};
        QVERIFY(print(true));
        QCOMPARE(m_printer->asked, QList<bool>{true});
        QVERIFY(pdfText(m_printer->jobs.first()).contains(QStringLiteral("病人3格6")));
        QCOMPARE(m_files->count(), 0);

        m_printer->acceptJobs = false; // the print dialog is cancelled
        QVERIFY(!print(true));
        QCOMPARE(m_printer->jobs.size(), 1);
        QCOMPARE(m_messages->count(), 0);
    }

    void withoutPrinterDirectPrintAsksForPdf() {
        m_files->setNextAnswer(path(QStringLiteral("报表.pdf")));
        QVERIFY(print(true));
        QCOMPARE(m_files->count(), 1);
        QVERIFY(m_files->requests().first().saveMode);
        QVERIFY(m_files->requests().first().filter.contains(QStringLiteral("*.pdf")));
        QVERIFY(
            pdfText(path(QStringLiteral("报表.pdf"))).contains(QStringLiteral("【检验科】已执行单据查询")));
        QVERIFY(m_printer->jobs.isEmpty());
    }

    void wideGridTurnsThePage() {
        fill(3, 14);
        QVERIFY(print(false));
        const QStringList size =
            pdfInfo(m_printer->previews.first(), QStringLiteral("Page size")).split(QLatin1Char(' '));
        QVERIFY2(size.value(0).toDouble() > size.value(2).toDouble(), qPrintable(size.join(' ')));
        QVERIFY(pdfText(m_printer->previews.first()).contains(QStringLiteral("标题14")));
    }

    void longJobsShowProgressAndCanBeCancelled() {
        fill(10001, 2);
        m_printer->cancelAt = 100;
        m_files->setNextAnswer(path(QStringLiteral("long.pdf")));
        QVERIFY(!print(true));
        QCOMPARE(m_printer->progressWindows, 1);
        QVERIFY(!QFile::exists(path(QStringLiteral("long.pdf"))));

        m_printer->cancelAt = 3000;
        m_files->setNextAnswer(path(QStringLiteral("long.xls")));
        ExportGridToExcel(m_grid.get(), nullptr, QStringLiteral("999"));
        QCOMPARE(m_printer->progressWindows, 2);
        QVERIFY(!QFile::exists(path(QStringLiteral("long.xls"))));
        QCOMPARE(m_messages->count(), 0);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);

        fill(10000, 2); // at the limit: no window
        m_files->setNextAnswer(path(QStringLiteral("ok.xls")));
        ExportGridToExcel(m_grid.get(), nullptr, QStringLiteral("999"));
        QCOMPARE(m_printer->progressWindows, 2);
        QCOMPARE(readXls(path(QStringLiteral("ok.xls"))).value(0).rows.size(), 10001);
    }

    void exportWritesHeadingsThenRowsAndLeavesTheGrid() {
        m_files->setNextAnswer(path(QStringLiteral("999.xls")));
        ExportGridToExcel(m_grid.get(), nullptr, QStringLiteral("999"));
        const FileDialogRequest& asked = m_files->requests().first();
        QCOMPARE(asked.title, QStringLiteral("保存文件为..."));
        QCOMPARE(asked.fileName, QStringLiteral("999"));
        QVERIFY(asked.filter.indexOf(QStringLiteral("*.xls|")) <
                asked.filter.indexOf(QStringLiteral("*.xlsx")));
        const auto sheets = readXls(path(QStringLiteral("999.xls")));
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets[0].name, QStringLiteral("999"));
        QCOMPARE(sheets[0].rows.size(), 4);
        QCOMPARE(sheets[0].rows[0].first(), QStringLiteral("标题1"));
        QCOMPARE(sheets[0].rows[3].last(), QStringLiteral("病人3格6"));
        QCOMPARE(m_grid->maxRows(), 3);
        QCOMPARE(m_messages->last().title, QStringLiteral("信息"));
        QCOMPARE(m_messages->last().text, QStringLiteral("文件导出成功"));

        m_files->setNextAnswer(path(QStringLiteral("999.xlsx")));
        ExportGridToExcel(m_grid.get(), nullptr, QStringLiteral("999"));
        QFile xlsx(path(QStringLiteral("999.xlsx")));
        QVERIFY(xlsx.open(QIODevice::ReadOnly));
        QCOMPARE(xlsx.read(2), QByteArray("PK"));

        m_messages->clear();
        ExportGridToExcel(m_grid.get(), nullptr, QStringLiteral("999")); // cancelled dialog
        QCOMPARE(m_messages->count(), 0);
    }

    // Numbers and dates in their display format; a code of digits stays text.
    void numberAndDateColumnsExportAsSuch() {
        fill(2, 4);
        m_grid->setColumnFormat(2, CellFormat::number(QStringLiteral("0.000")));
        m_grid->setColumnFormat(3, CellFormat::number(QStringLiteral("0.00")));
        m_grid->setColumnFormat(4, CellFormat::dateTime(QStringLiteral("yyyy-mm-dd hh:mm")));
        m_grid->setAllRows({{QStringLiteral("00123"), QStringLiteral("8.500"), QStringLiteral("17.13"),
                             QStringLiteral("2026-12-07 08:05")},
                            {QStringLiteral("00124"), QString(), QStringLiteral("待定"), QString()}});
        m_files->setNextAnswer(path(QStringLiteral("t.xls")));
        m_files->setNextAnswer(path(QStringLiteral("t.xlsx")));
        ExportGridToExcel(m_grid.get(), nullptr, QStringLiteral("999"));
        ExportGridToExcel(m_grid.get(), nullptr, QStringLiteral("999"));
        QCOMPARE(
            readCells(path(QStringLiteral("t.xls"))),
            QStringLiteral("1:00123:General|2:8.5:0.000|2:17.13:0.00|3:2026-12-07 08:05:00:yyyy-mm-dd hh:mm\n"
                           "1:00124:General|6::General|1:待定:General|6::General"));
        QCOMPARE(
            readCells(path(QStringLiteral("t.xlsx"))),
            QStringLiteral("s:00123:General|n:8.5:0.000|n:17.13:0.00|d:2026-12-07 08:05:00:yyyy-mm-dd hh:mm\n"
                           "s:00124:General|n:None:General|s:待定:General|n:None:General"));
    }

    // A name typed without extension gets that of the type picked, and the type decides the format.
    void chosenFileTypeDecidesTheFile() {
        QCOMPARE(FileDialogs::withTypeExtension(QStringLiteral("q2.XLSX"), QStringLiteral("工作簿(*.xlsx)")),
                 QStringLiteral("q2.XLSX"));
        QCOMPARE(FileDialogs::withTypeExtension(QStringLiteral("q2.xls"), QStringLiteral("工作簿 (*.xlsx)")),
                 QStringLiteral("q2.xls.xlsx"));
        m_files.reset(); // the platform's dialog, answered by a timer
        WidgetFileDialogService widgets;
        FileDialogs::install(&widgets);
        QTimer::singleShot(0, [this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->setDirectory(m_dir.path());
            dialog->selectNameFilter(dialog->nameFilters().value(1));
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setText(QStringLiteral("q2"));
            QTest::keyClick(name, Qt::Key_Return);
        });
        ExportGridToExcel(m_grid.get(), nullptr, QStringLiteral("999"));
        FileDialogs::install(nullptr);
        QFile xlsx(path(QStringLiteral("q2.xlsx")));
        QVERIFY(xlsx.open(QIODevice::ReadOnly));
        QCOMPARE(xlsx.read(2), QByteArray("PK"));
        QVERIFY(!QFile::exists(path(QStringLiteral("q2"))));
    }

    void failedExportShowsTheErrorMessage() {
        m_files->setNextAnswer(path(QStringLiteral("gone/999.xls")));
        ExportGridToExcel(m_grid.get(), nullptr, QStringLiteral("999"));
        QCOMPARE(m_messages->count(), 1);
        QCOMPARE(m_messages->last().title, QStringLiteral("系统提示"));
        QVERIFY2(m_messages->last().text.contains(QStringLiteral("gone")),
                 qPrintable(m_messages->last().text));
    }

    void continuedSheetsAreTold() {
        fill(65536, 1);
        m_files->setNextAnswer(path(QStringLiteral("big.xls")));
        ExportGridToExcel(m_grid.get(), nullptr, QStringLiteral("999"));
        QCOMPARE(m_messages->last().text, QStringLiteral("文件导出成功（数据超过65535行，已分2个工作表）"));
        QCOMPARE(readXls(path(QStringLiteral("big.xls"))).size(), 2);
    }

    void emptyGridsAreRefused() {
        m_grid->setMaxRows(0);
        QVERIFY(!print(true));
        ExportGridToExcel(m_grid.get(), nullptr, QStringLiteral("999"));
        QVERIFY(!DeleteGridRow(m_grid.get(), 1));
        QCOMPARE(m_messages->texts(), QStringList({titled(QStringLiteral("未发现可以打印的内容。")),
                                                   titled(QStringLiteral("未发现可以导出的内容。")),
                                                   titled(QStringLiteral("未发现可以删除的内容。"))}));
        QCOMPARE(m_messages->last().title, Messages::applicationTitle());
        QCOMPARE(m_messages->last().icon, MsgIcon::Exclamation);
        QCOMPARE(m_files->count(), 0);
        QVERIFY(m_printer->jobs.isEmpty() && m_printer->previews.isEmpty());
    }

    void deleteGridRowRemovesOneRow() {
        QVERIFY(DeleteGridRow(m_grid.get(), 2));
        QCOMPARE(m_grid->maxRows(), 2);
        QCOMPARE(m_grid->text(2, 1), QStringLiteral("病人3格1"));
    }

    void fileDialogRefusesNamesOver260() {
        bool save = true;
        FileDialog(nullptr, save, QStringLiteral("t"), QStringLiteral("*.xls"),
                   QString(260, QLatin1Char('a')), {}, {}, 0);
        QCOMPARE(m_files->count(), 1);
        QVERIFY(m_files->requests().first().confirmOverwrite);
        QVERIFY(FileDialog(nullptr, save, QStringLiteral("t"), QStringLiteral("*.xls"),
                           QString(261, QLatin1Char('a')), {}, {}, 1)
                    .isEmpty());
        QCOMPARE(m_files->count(), 1);
        QCOMPARE(m_messages->last().title, QStringLiteral("医技管理 - FileDialog Function"));
        QCOMPARE(m_messages->last().text, QStringLiteral("Filename Length Overflow"));
    }
};

QTEST_MAIN(GridOutputTest)
#include "tst_grid_output.moc"
