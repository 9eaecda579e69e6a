#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QPagedPaintDevice;
class QPrinter;

// A progress window over a long print or export.
class ProgressReporter {
public:
    virtual ~ProgressReporter() = default;
    // False once the user asked to cancel.
    virtual bool update(qint64 done) = 0;
};

// What the print system did with a job.
struct PrintJobResult {
    enum class State {
        Accepted, // queued on a working printer
        Waiting,  // queued, but the printer is stopped or paused: it prints when started again
        Refused,  // not taken (the queue rejects jobs, no print system, ...): nothing will print
    };
    State state = State::Refused;
    int jobId = 0;
    QString reason;  // the print system's words when refused
    QString ippCode; // its status code, for IT staff
    bool queued() const { return state != State::Refused; }
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
    // Hands the PDF file `pdf` as one job to the printer queue `printerName`, with the copies and
    // sides `settings` holds (as preparePrinter left them).
    virtual PrintJobResult submit(const QString& printerName, const QPrinter& settings, const QString& pdf,
                                  const QString& title) = 0;
    // Shows the pages that `paint` draws onto the printer the preview hands over.
    virtual void preview(QPrinter& printer, const std::function<void(QPrinter*)>& paint) = 0;
    virtual std::unique_ptr<ProgressReporter> progress(const QString& label, qint64 total) = 0;
};

// Qt's print dialog, QPrintPreviewDialog, QPrinterInfo and QProgressDialog; jobs go to CUPS
// through libcups (the server CUPS_SERVER names, else the system's).
class WidgetPrintService : public IPrintService {
public:
    QStringList printerNames() override;
    QString defaultPrinterName() override;
    bool preparePrinter(QPrinter& printer, bool ask, const QString& printerName) override;
    PrintJobResult submit(const QString& printerName, const QPrinter& settings, const QString& pdf,
                          const QString& title) override;
    void preview(QPrinter& printer, const std::function<void(QPrinter*)>& paint) override;
    std::unique_ptr<ProgressReporter> progress(const QString& label, qint64 total) override;
};

namespace PrintServices {
// The installed service; without one there are no printers and every dialog is cancelled.
IPrintService& service();
void install(IPrintService* service); // not owned; nullptr restores the fallback
// Installs the widget service for the rest of the run; the program calls it at start-up.
void installWidgetService();

// Prints what `paint` draws onto the prepared `printer` on the queue `printerName`: the pages
// are drawn into a PDF file of the printer's page layout, which goes to the queue as one job.
// A queue found stopped is told once ("打印机“{name}”已暂停，打印任务在队列中等待。") until a
// job reaches it working again. Refused with an empty reason when the drawing failed or was
// cancelled (`paint` answered false).
PrintJobResult printPages(QPrinter& printer, const QString& printerName, const QString& title,
                          const std::function<bool(QPagedPaintDevice&)>& paint);
void resetPausedReports(); // for tests

// Jobs of more rows than this show a progress window that can cancel them.
constexpr qint64 kProgressRows = 10000;
// A progress window for `rows` rows, or none (nullptr) for a short job.
std::unique_ptr<ProgressReporter> progressFor(const QString& label, qint64 rows);
} // namespace PrintServices
