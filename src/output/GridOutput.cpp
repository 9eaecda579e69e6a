#include "output/GridOutput.h"

#include "common/FileDialogService.h"
#include "common/SpreadGrid.h"
#include "common/core/BusyState.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/audit/AuditTrail.h"
#include "output/PrintService.h"
#include "output/core/SheetExport.h"
#include "output/core/SheetWriter.h"
#include "output/pages/ReportLayout.h"

#include <QDir>
#include <QPrinter>
#include <QWidget>

namespace {

constexpr int kMaxPathChars = 260;

// "{application title}  {text}" under the application's title, exclamation icon.
void refuseEmpty(const QString& text) {
    const QString title = Messages::applicationTitle();
    Messages::show(title, title + QStringLiteral("  ") + text, MsgIcon::Exclamation);
}

// The common dialog; a proposed name longer than a path may be is refused.
QString chooseFile(const FileDialogRequest& request) {
    if (request.fileName.size() > kMaxPathChars) {
        Messages::show(Messages::applicationTitle() + QStringLiteral(" - FileDialog Function"),
                       QStringLiteral("Filename Length Overflow"), MsgIcon::Exclamation);
        return {};
    }
    return FileDialogs::choose(request);
}

QString pdfPathFor(const QString& title) {
    bool save = true;
    QString name = title;
    for (const QChar c : QStringLiteral("\\/:*?\"<>|"))
        name.remove(c);
    return FileDialog(nullptr, save, QStringLiteral("保存为PDF文件"), QStringLiteral("PDF 文件(*.pdf)|*.pdf"),
                      name + QStringLiteral(".pdf"), QStringLiteral("pdf"), QString(), 0);
}

} // namespace

SpreadGridTable::SpreadGridTable(const SpreadGrid& grid, RowNumbers rowNumbers) : m_grid(grid) {
    if (rowNumbers == WithRowNumbers && !grid.isColumnHidden(0) && !grid.columnHeader(0).isEmpty())
        m_cols.append(0);
    for (int c = 1; c <= grid.maxCols(); ++c) {
        if (!grid.isColumnHidden(c))
            m_cols.append(c);
    }
}

int SpreadGridTable::rowCount() const {
    return m_grid.maxRows();
}

QString SpreadGridTable::heading(int col) const {
    return m_grid.columnHeader(m_cols.at(col));
}

QString SpreadGridTable::text(int row, int col) const {
    return m_grid.text(row + 1, m_cols.at(col));
}

double SpreadGridTable::widthChars(int col) const {
    return std::max(0.0, m_grid.columnWidthChars(m_cols.at(col)));
}

CellFormat SpreadGridTable::format(int col) const {
    return m_grid.columnFormat(m_cols.at(col));
}

bool PrintReport(const ReportDescription& report, const TableSource& table, bool direct) {
    // Its dialogs and progress window let events through: nothing timer-driven runs meanwhile.
    const BusyState::Guard busy;
    IPrintService& service = PrintServices::service();
    const ReportLayout layout(report, table);
    // The progress window comes up with the first drawn page, after every dialog is answered.
    std::unique_ptr<ProgressReporter> progress;
    bool cancelled = false;
    const ReportLayout::Progress tell = [&](qint64 done) {
        if (!progress)
            progress = PrintServices::progressFor(QStringLiteral("正在打印..."), table.rowCount());
        cancelled = progress && !progress->update(done);
        return !cancelled;
    };

    if (direct && service.printerNames().isEmpty()) {
        const QString path = pdfPathFor(report.title);
        if (path.isEmpty())
            return false;
        AppError error;
        if (!writeReportPdf(report, table, path, &error, tell)) {
            if (error.isSet())
                ShowErrorMessage(error);
            return false;
        }
        Messages::notice(
            QStringLiteral("没有安装打印机，已保存为PDF文件：%1").arg(QDir::toNativeSeparators(path)));
        return true;
    }

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.title);
    printer.setCreator(report.operatorName);
    layout.prepare(printer);
    if (!direct) {
        service.preview(printer, [&](QPrinter* p) { layout.paint(*p, tell); });
        return true;
    }
    if (!service.preparePrinter(printer, true))
        return false;
    const QString name =
        printer.printerName().isEmpty() ? service.defaultPrinterName() : printer.printerName();
    const PrintJobResult job = PrintServices::printPages(
        printer, name, report.title, [&](QPagedPaintDevice& pages) { return layout.paint(pages, tell); });
    if (!job.queued()) {
        if (!cancelled)
            ShowErrorMessage({482, QStringLiteral("打印机“%1”未接受%2的打印任务").arg(name, report.title),
                              QStringLiteral("PrintGrid"), job.ippCode});
        return false;
    }
    return true;
}

bool PrintGridReport(const SpreadGrid* grid, const GridReportArgs& args, bool direct) {
    if (!grid || grid->maxRows() == 0) {
        refuseEmpty(QStringLiteral("未发现可以打印的内容。"));
        return false;
    }
    const ReportDescription report =
        Report::describeGridReport(args, gHospitalName, gUser ? gUser->GetUserName : QString());
    const SpreadGridTable table(*grid, SpreadGridTable::WithRowNumbers);
    if (!PrintReport(report, table, direct))
        return false;
    // A preview is logged too: its window can print.
    AuditTrail::record(AuditTrail::entryFor(
        AuditAction::GridPrint, {},
        QStringLiteral("%1：%2，%3行")
            .arg(direct ? QStringLiteral("打印") : QStringLiteral("打印浏览"), args.title)
            .arg(table.rowCount())));
    return true;
}

bool PrintGrid(QWidget* owner, const SpreadGrid* grid, const QString& title, bool printerOption, bool direct,
               const QString& unitName, const QString& startDate, const QString& endDate,
               const QString& makerText, const QString& printDateText, const QString& extraHeader,
               qint16 layoutValue) {
    Q_UNUSED(owner); // the print component's owner window; the print service finds its own
    return PrintGridReport(grid,
                           {title, printerOption, unitName, startDate, endDate, makerText, printDateText,
                            extraHeader, layoutValue},
                           direct);
}

void ExportGridToExcel(const SpreadGrid* grid, QWidget* ownerWindow, const QString& name) {
    if (!grid || grid->maxRows() == 0) {
        refuseEmpty(QStringLiteral("未发现可以导出的内容。"));
        return;
    }
    Q_UNUSED(ownerWindow);
    // Its dialog and progress window let events through: nothing timer-driven runs meanwhile.
    const BusyState::Guard busy;
    FileDialogRequest request;
    request.saveMode = true;
    request.title = QStringLiteral("保存文件为...");
    request.filter = QStringLiteral("Excel 97-2003 工作簿(*.xls)|*.xls|Excel 工作簿(*.xlsx)|*.xlsx");
    request.fileName = name;
    // The type picked decides the file: its extension is put on a name that lacks it.
    request.typeDecidesExtension = true;
    const QString path = chooseFile(request);
    if (path.isEmpty())
        return;
    const SpreadGridTable table(*grid);
    const auto progress = PrintServices::progressFor(QStringLiteral("正在导出..."), table.rowCount());
    AppError error;
    int sheets = 1;
    const auto result = SheetExport::write(
        table, path, name, [&progress](qint64 done, qint64) { return !progress || progress->update(done); },
        &error, &sheets);
    if (result == SheetExport::Result::Failed) {
        ShowErrorMessage(error);
    } else if (result == SheetExport::Result::Written) {
        const bool continued = sheets > 1 && sheetFormatOf(path) == SheetFormat::Xls;
        AuditTrail::record(AuditTrail::entryFor(AuditAction::GridExport, {},
                                                QStringLiteral("%1，%2行，文件%3")
                                                    .arg(ownerWindow ? ownerWindow->windowTitle() : name)
                                                    .arg(table.rowCount())
                                                    .arg(QDir::toNativeSeparators(path))));
        Messages::success(continued
                              ? QStringLiteral("文件导出成功（数据超过65535行，已分%1个工作表）").arg(sheets)
                              : QStringLiteral("文件导出成功"));
    }
}

QString FileDialog(QWidget* ownerWindow, bool& saveMode, const QString& title, const QString& filter,
                   const QString& fileName, const QString& defaultExt, const QString& initialDir,
                   qint16 noFlags) {
    Q_UNUSED(ownerWindow);
    FileDialogRequest request;
    request.saveMode = saveMode;
    request.title = title;
    request.filter = filter;
    request.fileName = fileName;
    request.defaultExt = defaultExt;
    request.initialDir = initialDir;
    request.confirmOverwrite = noFlags == 0;
    return chooseFile(request);
}

bool DeleteGridRow(SpreadGrid* grid, int row) {
    if (!grid || grid->maxRows() == 0) {
        refuseEmpty(QStringLiteral("未发现可以删除的内容。"));
        return false;
    }
    grid->deleteRows(row, 1);
    grid->viewport()->update();
    return true;
}
