#include "support/FakePrintService.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

namespace {

class ScriptedProgress : public ProgressReporter {
public:
    explicit ScriptedProgress(qint64 cancelAt) : m_cancelAt(cancelAt) {}
    bool update(qint64 done) override { return m_cancelAt < 0 || done < m_cancelAt; }

private:
    qint64 m_cancelAt;
};

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

FakePrintService::FakePrintService(const QString& folder) : m_folder(folder) {
    PrintServices::install(this);
}

FakePrintService::~FakePrintService() {
    PrintServices::install(nullptr);
}

bool FakePrintService::preparePrinter(QPrinter& printer, bool ask, const QString& printerName) {
    asked.append(ask);
    jobPrinters.append(printerName.isEmpty() ? printer.printerName() : printerName);
    Q_UNUSED(printer);
    return acceptJobs;
}

PrintJobResult FakePrintService::submit(const QString&, const QPrinter&, const QString& pdf, const QString&) {
    PrintJobResult result;
    result.state = outcome;
    if (outcome == PrintJobResult::State::Refused) {
        result.reason = QStringLiteral("not accepting jobs");
        return result;
    }
    const QString path = QDir(m_folder).filePath(QStringLiteral("job%1.pdf").arg(jobs.size() + 1));
    if (!QFile::copy(pdf, path))
        return {};
    jobs.append(path);
    result.jobId = int(jobs.size());
    return result;
}

void FakePrintService::preview(QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
    const QString path = QDir(m_folder).filePath(QStringLiteral("preview%1.pdf").arg(previews.size() + 1));
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    previews.append(path);
    paint(&printer);
}

std::unique_ptr<ProgressReporter> FakePrintService::progress(const QString&, qint64) {
    ++progressWindows;
    return std::make_unique<ScriptedProgress>(cancelAt);
}

QString pdfText(const QString& pdf) {
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

QString pdfInfo(const QString& pdf, const QString& key) {
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpression re(QStringLiteral("^%1:\\s*(.*)$").arg(QRegularExpression::escape(key)),
                                QRegularExpression::MultilineOption);
    return re.match(info).captured(1).trimmed();
}
