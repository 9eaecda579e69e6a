// Grid cells, headings and the texts around them are printed as the database holds them: the
// report pages of a grid (print, preview and PDF share the layout) and a document's slip go
// into a PDF with any text, long, with control characters, lone surrogates or right-to-left
// runs, under columns of any width.
#include "FuzzSupport.h"
#include "common/pages/Fonts.h"
#include "output/pages/ReportLayout.h"
#include "output/pages/SlipLayout.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QPdfWriter>

#include <fuzzer/FuzzedDataProvider.h>

#include <limits>

namespace {

// A text as UTF-8 (Chinese, mostly) or as raw UTF-16 units (lone surrogates, controls,
// direction marks), now and then repeated into a long one.
QString pickText(FuzzedDataProvider& in, size_t length) {
    QString text;
    if (in.ConsumeBool()) {
        const std::string s = in.ConsumeRandomLengthString(length);
        text = QString::fromUtf8(s.data(), qsizetype(s.size()));
    } else {
        const std::string s = in.ConsumeRandomLengthString(2 * length);
        for (size_t i = 0; i + 1 < s.size(); i += 2)
            text += QChar(char16_t(uint8_t(s[i]) | uint8_t(s[i + 1]) << 8));
    }
    if (!text.isEmpty() && in.ConsumeIntegralInRange<int>(0, 15) == 0)
        text = text.repeated(in.ConsumeIntegralInRange<int>(2, 4000 / int(text.size()) + 2));
    return text;
}

double pickWidth(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return 0; // measured from the texts
    case 1:
        return in.ConsumeFloatingPointInRange<double>(0.1, 60);
    case 2:
        return in.ConsumeFloatingPointInRange<double>(1e3, 1e9); // a column dragged wide
    default:
        return in.ConsumeFloatingPointInRange<double>(0, 1e-6);
    }
}

int pdfPages(const QByteArray& pdf) {
    return int(pdf.count("/Type /Page\n")) + int(pdf.count("/Type /Page\r")) +
           int(pdf.count("/Type /Page/")) + int(pdf.count("/Type /Page "));
}

void reportPdf(FuzzedDataProvider& in) {
    GridReportArgs args;
    args.title = pickText(in, 40);
    args.unitName = pickText(in, 30);
    args.startDate = pickText(in, 12);
    args.endDate = pickText(in, 12);
    args.makerText = pickText(in, 30);
    args.printDateText = pickText(in, 30);
    args.extraHeader = pickText(in, 40);
    args.layoutValue = in.ConsumeIntegral<qint16>();
    const ReportDescription report = Report::describeGridReport(args, pickText(in, 20), pickText(in, 10));

    TextTable table;
    const int cols = in.ConsumeIntegralInRange<int>(1, 8);
    for (int c = 0; c < cols; ++c) {
        table.headings << pickText(in, 12);
        table.widths << pickWidth(in);
    }
    const int rows = in.ConsumeIntegralInRange<int>(0, 60);
    for (int r = 0; r < rows && in.remaining_bytes() > 0; ++r) {
        QStringList cells;
        for (int c = 0; c < cols; ++c)
            cells << pickText(in, 30);
        table.rows << cells;
    }

    const QString path = Fuzz::scratchFile(QStringLiteral("report.pdf"));
    QFile::remove(path);
    AppError error;
    if (!writeReportPdf(report, table, path, &error)) {
        Fuzz::check(!error.description.isEmpty(), "a PDF not written without a message");
        return;
    }
    QFile file(path);
    Fuzz::check(file.open(QIODevice::ReadOnly), "the written PDF is missing");
    const QByteArray pdf = file.readAll();
    Fuzz::check(pdf.startsWith("%PDF-") && pdf.trimmed().endsWith("%%EOF"), "an incomplete PDF");

    // Every row is on a page: as many pages as the layout counts for the A4 page.
    QBuffer counted;
    counted.open(QIODevice::WriteOnly);
    QPdfWriter device(&counted);
    device.setResolution(600);
    device.setPageSize(QPageSize(QPageSize::A4));
    const ReportLayout layout(report, table);
    layout.prepare(device);
    Fuzz::check(pdfPages(pdf) == layout.pageCount(device), "pages differ from the layout's count");
}

void slipPdf(FuzzedDataProvider& in) {
    SlipDocument slip;
    slip.unitName = pickText(in, 30);
    slip.dh = pickText(in, 20);
    slip.inpatient = in.ConsumeBool();
    slip.execNo = pickText(in, 12);
    for (QString* field : {&slip.xm, &slip.xb, &slip.nl, &slip.kdys, &slip.kdsj, &slip.zyh, &slip.cwh})
        *field = pickText(in, 16);
    const int items = in.ConsumeIntegralInRange<int>(0, 40);
    for (int i = 0; i < items && in.remaining_bytes() > 0; ++i) {
        SlipItem item;
        for (QString* field :
             {&item.code, &item.name, &item.spec, &item.unit, &item.quantity, &item.price, &item.amount})
            *field = pickText(in, 16);
        slip.items << item;
    }
    slip.total = pickText(in, 10);
    slip.executor = pickText(in, 10);
    slip.checker = pickText(in, 10);
    slip.printTime = pickText(in, 20);
    // The workstation's font size is whatever number was typed into ORVA.ini ("2147483647").
    int fontSize = 9;
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        fontSize = in.ConsumeIntegralInRange<int>(1, 40);
        break;
    case 1:
        fontSize = std::numeric_limits<int>::max() - in.ConsumeIntegralInRange<int>(0, 5);
        break;
    default:
        fontSize = in.ConsumeIntegral<int>();
    }

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setTitle(slip.dh);
        pdf.setResolution(600);
        const SlipLayout layout(slip, fontSize);
        layout.prepare(pdf);
        Fuzz::check(layout.paint(pdf), "a slip not drawn");
    }
    Fuzz::check(buffer.data().startsWith("%PDF-"), "an incomplete slip PDF");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static int argc = 1;
    static char name[] = "fuzz_pdf_cells";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
    setupChineseFonts();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool())
        reportPdf(in);
    else
        slipPdf(in);
    return 0;
}
