#pragma once

#include "output/PrintService.h"

#include <QList>
#include <QStringList>

// Plays the printers and dialogs of the output routines: every job and preview is written as
// a PDF file into `folder` (job1.pdf, preview1.pdf, ...) so tests can read the pages back.
// Installs itself while it lives.
class FakePrintService : public IPrintService {
public:
    explicit FakePrintService(const QString& folder);
    ~FakePrintService() override;

    QStringList printers; // installed printers; none by default
    QString defaultPrinter;
    bool acceptJobs = true; // false: the dialog is cancelled or the printer cannot be set up
    // What the print system does with a submitted job; a refused one is not kept in `jobs`.
    PrintJobResult::State outcome = PrintJobResult::State::Accepted;
    qint64 cancelAt = -1; // a progress window reaching this row count is cancelled

    QStringList jobs;        // PDF files of the print jobs
    QStringList previews;    // PDF files of the previews
    QStringList jobPrinters; // the printer name each job asked for
    QList<bool> asked;       // whether each job showed the print dialog
    int progressWindows = 0;

    QStringList printerNames() override { return printers; }
    QString defaultPrinterName() override { return defaultPrinter; }
    bool preparePrinter(QPrinter& printer, bool ask, const QString& printerName) override;
    PrintJobResult submit(const QString& printerName, const QPrinter& settings, const QString& pdf,
                          const QString& title) override;
    void preview(QPrinter& printer, const std::function<void(QPrinter*)>& paint) override;
    std::unique_ptr<ProgressReporter> progress(const QString& label, qint64 total) override;

private:
    QString m_folder;
};

// Text of a PDF file by pdftotext (poppler-utils), pages separated by form feeds.
QString pdfText(const QString& pdf);
// The page count and size in points ("595.276 x 841.89") by pdfinfo.
QString pdfInfo(const QString& pdf, const QString& key);
