#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QPrinter;

// A progress window over a long print or export.
class ProgressReporter {
public:
    virtual ~ProgressReporter() = default;
    // False once the user asked to cancel.
    virtual bool update(qint64 done) = 0;
};

// Every print dialog, preview window, printer look-up and progress window of the output
// routines goes through this service; tests install a scripted fake.
class IPrintService {
public:
    virtual ~IPrintService() = default;
    // Device names of the installed printers, none when no printer is installed.
    virtual QStringList printerNames() = 0;
    virtual QString defaultPrinterName() = 0;
    // Gets `printer` ready for a job on the printer named `printerName` (empty: the one it
    // has); with `ask` the print dialog lets the user choose the printer and its settings.
    // False when cancelled or the printer cannot take the job.
    virtual bool preparePrinter(QPrinter& printer, bool ask, const QString& printerName = {}) = 0;
    // Shows the pages that `paint` draws onto the printer the preview hands over.
    virtual void preview(QPrinter& printer, const std::function<void(QPrinter*)>& paint) = 0;
    virtual std::unique_ptr<ProgressReporter> progress(const QString& label, qint64 total) = 0;
};

// Qt's print dialog, QPrintPreviewDialog, QPrinterInfo and QProgressDialog.
class WidgetPrintService : public IPrintService {
public:
    QStringList printerNames() override;
    QString defaultPrinterName() override;
    bool preparePrinter(QPrinter& printer, bool ask, const QString& printerName) override;
    void preview(QPrinter& printer, const std::function<void(QPrinter*)>& paint) override;
    std::unique_ptr<ProgressReporter> progress(const QString& label, qint64 total) override;
};

namespace PrintServices {
// The installed service; without one there are no printers and every dialog is cancelled.
IPrintService& service();
void install(IPrintService* service); // not owned; nullptr restores the fallback
// Installs the widget service for the rest of the run; the program calls it at start-up.
void installWidgetService();

// Jobs of more rows than this show a progress window that can cancel them.
constexpr qint64 kProgressRows = 10000;
// A progress window for `rows` rows, or none (nullptr) for a short job.
std::unique_ptr<ProgressReporter> progressFor(const QString& label, qint64 rows);
} // namespace PrintServices
