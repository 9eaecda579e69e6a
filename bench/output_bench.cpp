// Spreadsheet export and report pages against plain baselines, measured side by side in one run:
// 65,000 rows x 6 columns as .xls against the same cells as CSV through the same export code,
// and a 100-page PDF report against Qt's QTextDocument-to-PDF of the same table.
#include "output/core/SheetExport.h"
#include "output/pages/ReportLayout.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextStream>
#include <QTextTable>

#include <algorithm>
#include <functional>

namespace {

constexpr int kRuns = 5;

TextTable sampleTable(int rows) {
    TextTable t;
    t.headings = {QStringLiteral("执行日期"), QStringLiteral("处方单号"), QStringLiteral("执行人"),
                  QStringLiteral("复核人"),   QStringLiteral("病人姓名"), QStringLiteral("执行单号")};
    t.widths = {17.5, 18.87, 10.83, 12.75, 13.83, 19.12};
    t.rows.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        t.rows.append({QStringLiteral("2010-01-05 08:%1").arg(r % 60, 2, 10, QLatin1Char('0')),
                       QStringLiteral("20100105%1").arg(r, 5, 10, QLatin1Char('0')), QStringLiteral("张三"),
                       QStringLiteral("李四"), QStringLiteral("病人%1").arg(r % 997),
                       QStringLiteral("2010010%1").arg(r, 5, 10, QLatin1Char('0'))});
    }
    return t;
}

double timed(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

QString figures(QVector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return QStringLiteral("min %1 ms, median %2 ms, max %3 ms")
        .arg(ms.first(), 0, 'f', 1)
        .arg(ms[ms.size() / 2], 0, 'f', 1)
        .arg(ms.last(), 0, 'f', 1);
}

double median(QVector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

void textDocumentPdf(const TextTable& table, const QString& path) {
    QTextDocument doc;
    QTextCursor cursor(&doc);
    QTextTable* t = cursor.insertTable(table.rowCount() + 1, table.columnCount());
    for (int c = 0; c < table.columnCount(); ++c)
        t->cellAt(0, c).firstCursorPosition().insertText(table.heading(c));
    for (int r = 0; r < table.rowCount(); ++r) {
        for (int c = 0; c < table.columnCount(); ++c)
            t->cellAt(r + 1, c).firstCursorPosition().insertText(table.text(r, c));
    }
    QPdfWriter pdf(path);
    pdf.setResolution(600);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    doc.print(&pdf);
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;

    // "sheets" or "pages" runs one half only.
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (only != QLatin1String("pages")) {
        const TextTable sheet = sampleTable(65000);
        QVector<double> xls, csv;
        for (int i = 0; i < kRuns; ++i) {
            csv << timed([&] {
                SheetExport::write(sheet, dir.filePath("a.csv"), QStringLiteral("999"), {}, nullptr);
            });
            xls << timed([&] {
                SheetExport::write(sheet, dir.filePath("a.xls"), QStringLiteral("999"), {}, nullptr);
            });
        }
        out << "65000 x 6 as .xls: " << figures(xls) << "\n";
        out << "65000 x 6 as CSV:  " << figures(csv) << "\n";
        out << "xls / csv (medians): " << QString::number(median(xls) / median(csv), 'f', 2)
            << " (target <= 2)\n";
        out.flush();
    }
    if (only == QLatin1String("sheets"))
        return 0;

    // As many rows as fill 100 pages of the report.
    ReportDescription report = Report::describeGridReport({QStringLiteral("【检验科】已执行单据查询"),
                                                           false,
                                                           QStringLiteral("阳光社区医院"),
                                                           QStringLiteral("2010-01-01"),
                                                           QStringLiteral("2010-01-31"),
                                                           QStringLiteral("制单人:张三"),
                                                           QStringLiteral("打印日期:2010-02-01"),
                                                           {},
                                                           0},
                                                          {}, QStringLiteral("张三"));
    int perPage = 0;
    {
        const TextTable probe = sampleTable(1);
        QPdfWriter pdf(dir.filePath("probe.pdf"));
        pdf.setResolution(600);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        const ReportLayout layout(report, probe);
        layout.prepare(pdf);
        perPage = layout.rowsPerPage(pdf);
    }
    const TextTable pages = sampleTable(perPage * 100);
    QVector<double> ours, qt;
    for (int i = 0; i < kRuns; ++i) {
        qt << timed([&] { textDocumentPdf(pages, dir.filePath("qt.pdf")); });
        ours << timed([&] { writeReportPdf(report, pages, dir.filePath("ours.pdf"), nullptr); });
    }
    out << "100-page report (" << pages.rowCount() << " rows), ReportLayout: " << figures(ours) << "\n";
    out << "same table, QTextDocument::print:       " << figures(qt) << "\n";
    out << "ours / Qt (medians): " << QString::number(median(ours) / median(qt), 'f', 2)
        << " (target < 1.5)\n";
    return 0;
}
