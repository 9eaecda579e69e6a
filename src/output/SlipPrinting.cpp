#include "output/SlipPrinting.h"

#include "common/FileDialogService.h"
#include "common/core/BusyState.h"
#include "common/core/MessageService.h"
#include "output/PrintService.h"
#include "output/pages/SlipLayout.h"
#include "output/pages/SlipPdf.h"

#include <QDir>
#include <QPrinter>

namespace SlipPrinting {

namespace {

constexpr int kPrinterError = 482;
bool g_failureReported = false;
bool g_fallbackReported = false;

// The slip printer of ORVA.ini, else the default printer; a configured printer that is not
// installed is told once per run.
QString chosenPrinter(IPrintService& service) {
    const QStringList installed = service.printerNames();
    const QString configured = SlipPrinterName().trimmed();
    if (!configured.isEmpty() && installed.contains(configured))
        return configured;
    const QString fallback =
        service.defaultPrinterName().isEmpty() ? installed.value(0) : service.defaultPrinterName();
    if (!configured.isEmpty() && !fallback.isEmpty() && !g_fallbackReported) {
        g_fallbackReported = true;
        Messages::warning(
            QStringLiteral("ORVA.ini 中设置的打印机“%1”没有安装，已改用默认打印机。").arg(configured));
    }
    return fallback;
}

// Prints on the slip printer; false with `error` when there is none or the print system did not
// take the job. A job waiting on a stopped printer counts as printed.
bool printOnPrinter(const SlipDocument& slip, AppError* error) {
    IPrintService& service = PrintServices::service();
    const QString name = chosenPrinter(service);
    if (name.isEmpty()) {
        *error = {kPrinterError, QStringLiteral("没有安装打印机，处方%1未能打印").arg(slip.dh),
                  QStringLiteral("MZCFPrint")};
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(slip.dh);
    const SlipLayout layout(slip, SlipFontSize());
    const bool ready = service.preparePrinter(printer, false, name);
    layout.prepare(printer); // the page of the chosen printer
    PrintJobResult job;
    if (ready)
        job = PrintServices::printPages(printer, name, slip.dh,
                                        [&layout](QPagedPaintDevice& pages) { return layout.paint(pages); });
    if (!job.queued()) {
        *error = {kPrinterError, QStringLiteral("打印机“%1”未接受处方%2的打印任务").arg(name, slip.dh),
                  QStringLiteral("MZCFPrint"), job.ippCode};
        return false;
    }
    return true;
}

} // namespace

bool MZCFPrint(const SlipRequest& request, Mode mode) {
    // Its dialogs let events through: nothing timer-driven runs meanwhile.
    const BusyState::Guard busy;
    if (request.dh.trimmed().isEmpty()) {
        if (mode != Mode::AutoPrint)
            Messages::warning(QStringLiteral("请选择您要打印的处方单据"));
        return false;
    }
    SlipDocument slip;
    AppError error;
    if (!LoadSlip(request, &slip, &error)) {
        if (mode != Mode::AutoPrint)
            ShowErrorMessage(error);
        return false;
    }
    IPrintService& service = PrintServices::service();
    if (mode == Mode::Preview) {
        QPrinter printer(QPrinter::HighResolution);
        const SlipLayout layout(slip, SlipFontSize());
        layout.prepare(printer);
        service.preview(printer, [&layout](QPrinter* p) { layout.paint(*p); });
        return true;
    }
    if (mode == Mode::Print && service.printerNames().isEmpty()) {
        const QString path = FileDialogs::choose({true,
                                                  QStringLiteral("保存为PDF文件"),
                                                  QStringLiteral("PDF 文件(*.pdf)|*.pdf"),
                                                  slip.dh + QStringLiteral(".pdf"),
                                                  QStringLiteral("pdf"),
                                                  {},
                                                  true});
        if (path.isEmpty())
            return false;
        if (!renderSlipPdf(slip, path, &error)) {
            ShowErrorMessage(error);
            return false;
        }
        Messages::notice(
            QStringLiteral("没有安装打印机，已保存为PDF文件：%1").arg(QDir::toNativeSeparators(path)));
        return true;
    }
    if (!printOnPrinter(slip, &error)) {
        if (mode == Mode::Print)
            ShowErrorMessage(error);
        return false;
    }
    return true;
}

bool autoPrint(const SlipRequest& request) {
    SlipDocument slip;
    AppError error;
    const bool printed = LoadSlip(request, &slip, &error) && printOnPrinter(slip, &error);
    if (printed) {
        g_failureReported = false;
    } else if (!g_failureReported) {
        g_failureReported = true;
        error.description += QStringLiteral("；自动打印的单据未标记为已打印");
        ShowErrorMessage(error);
    }
    return printed;
}

void resetAutoPrintReport() {
    g_failureReported = false;
    g_fallbackReported = false;
    PrintServices::resetPausedReports();
}

} // namespace SlipPrinting
