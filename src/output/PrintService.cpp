#include "output/PrintService.h"

#include "common/core/MessageService.h"
#include "output/CupsQueue.h"

#include <QApplication>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QSet>
#include <QTemporaryDir>

namespace {

class NoPrinters : public IPrintService {
public:
    QStringList printerNames() override { return {}; }
    QString defaultPrinterName() override { return {}; }
    bool preparePrinter(QPrinter&, bool, const QString&) override { return false; }
    PrintJobResult submit(const QString&, const QPrinter&, const QString&, const QString&) override {
        return {};
    }
    void preview(QPrinter&, const std::function<void(QPrinter*)>&) override {}
    std::unique_ptr<ProgressReporter> progress(const QString&, qint64) override { return nullptr; }
};

class ProgressWindow : public ProgressReporter {
public:
    ProgressWindow(const QString& label, qint64 total)
        : m_dialog(label, QStringLiteral("取消"), 0, 1000, QApplication::activeWindow()),
          m_total(std::max<qint64>(1, total)) {
        m_dialog.setWindowTitle(QStringLiteral("请稍候"));
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setMinimumDuration(0);
        m_dialog.setValue(0);
    }
    bool update(qint64 done) override {
        m_dialog.setValue(int(std::min<qint64>(1000, done * 1000 / m_total)));
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
    qint64 m_total;
};

NoPrinters g_fallback;
WidgetPrintService g_widgetService;
IPrintService* g_service = nullptr;
QSet<QString> g_pausedTold; // stopped queues the clerk has been told about

} // namespace

QStringList WidgetPrintService::printerNames() {
    return QPrinterInfo::availablePrinterNames();
}

QString WidgetPrintService::defaultPrinterName() {
    return QPrinterInfo::defaultPrinterName();
}

bool WidgetPrintService::preparePrinter(QPrinter& printer, bool ask, const QString& printerName) {
    if (!printerName.isEmpty()) {
        printer.setPrinterName(printerName);
        if (printer.printerName() != printerName) // no longer installed
            return false;
    }
    if (!ask)
        return printer.isValid();
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

PrintJobResult WidgetPrintService::submit(const QString& printerName, const QPrinter& settings,
                                          const QString& pdf, const QString& title) {
    CupsQueue::JobOptions options;
    options.copies = settings.copyCount();
    switch (settings.duplex()) {
    case QPrinter::DuplexLongSide:
        options.sides = QStringLiteral("two-sided-long-edge");
        break;
    case QPrinter::DuplexShortSide:
        options.sides = QStringLiteral("two-sided-short-edge");
        break;
    case QPrinter::DuplexNone:
        options.sides = QStringLiteral("one-sided");
        break;
    case QPrinter::DuplexAuto:
        break;
    }
    return CupsQueue::submit(printerName, pdf, title, options);
}

void WidgetPrintService::preview(QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
    QPrintPreviewDialog dialog(&printer, QApplication::activeWindow());
    dialog.setWindowTitle(QStringLiteral("打印预览"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&paint](QPrinter* p) { paint(p); });
    dialog.exec();
}

std::unique_ptr<ProgressReporter> WidgetPrintService::progress(const QString& label, qint64 total) {
    return std::make_unique<ProgressWindow>(label, total);
}

namespace PrintServices {

IPrintService& service() {
    return g_service ? *g_service : g_fallback;
}

void install(IPrintService* s) {
    g_service = s;
}

void installWidgetService() {
    install(&g_widgetService);
}

PrintJobResult printPages(QPrinter& printer, const QString& printerName, const QString& title,
                          const std::function<bool(QPagedPaintDevice&)>& paint) {
    // The pages go to the print system as a file of their own, so that its answer to the job
    // (taken, refused, waiting) is known; a printer engine only hands the job over.
    const QTemporaryDir folder;
    const QString pdf = folder.path() + QStringLiteral("/job.pdf");
    bool painted = false;
    if (folder.isValid()) {
        QPdfWriter writer(pdf);
        writer.setTitle(title);
        writer.setCreator(printer.creator());
        writer.setResolution(600);
        writer.setPageLayout(printer.pageLayout());
        painted = paint(writer);
    }
    if (!painted)
        return {};
    PrintJobResult job = service().submit(printerName, printer, pdf, title);
    if (job.state == PrintJobResult::State::Waiting && !g_pausedTold.contains(printerName)) {
        g_pausedTold.insert(printerName);
        Messages::notice(QStringLiteral("打印机“%1”已暂停，打印任务在队列中等待。").arg(printerName));
    } else if (job.state == PrintJobResult::State::Accepted) {
        g_pausedTold.remove(printerName);
    }
    return job;
}

void resetPausedReports() {
    g_pausedTold.clear();
}

std::unique_ptr<ProgressReporter> progressFor(const QString& label, qint64 rows) {
    return rows > kProgressRows ? service().progress(label, rows) : nullptr;
}

} // namespace PrintServices
