#include "output/PrintService.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>

namespace {

class NoPrinters : public IPrintService {
public:
    QStringList printerNames() override { return {}; }
    QString defaultPrinterName() override { return {}; }
    bool preparePrinter(QPrinter&, bool, const QString&) override { return false; }
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

std::unique_ptr<ProgressReporter> progressFor(const QString& label, qint64 rows) {
    return rows > kProgressRows ? service().progress(label, rows) : nullptr;
}

} // namespace PrintServices
