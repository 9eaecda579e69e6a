#include "output/core/SheetExport.h"

#include "output/core/SheetWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

namespace AtomicFile {

QString temporaryPathFor(const QString& target) {
    const QFileInfo info(target);
    for (;;) {
        const QString name = QStringLiteral(".%1.%2.tmp")
                                 .arg(info.fileName())
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const QString path = info.dir().filePath(name);
        if (!QFileInfo::exists(path))
            return path;
    }
}

bool replace(const QString& temporary, const QString& target, AppError* error) {
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(temporary.toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), ec);
    if (!ec)
        return true;
    QFile::remove(temporary);
    if (error)
        *error = {75, QStringLiteral("无法保存文件%1：%2").arg(target, QString::fromLocal8Bit(ec.message())),
                  QStringLiteral("AtomicFile")};
    return false;
}

} // namespace AtomicFile

namespace SheetExport {

QString sheetName(const QString& name, int sheetNo) {
    const QString base = cleanSheetName(name);
    if (sheetNo <= 1)
        return base;
    const QString suffix = QStringLiteral(" (%1)").arg(sheetNo);
    return base.left(31 - suffix.size()) + suffix;
}

Result write(const TableSource& table, const QString& path, const QString& name, const Progress& progress,
             AppError* error, int* sheets) {
    std::unique_ptr<SheetWriter> writer = makeSheetWriter(sheetFormatOf(path));
    const QString temporary = AtomicFile::temporaryPathFor(path);
    if (!writer->open(temporary, error)) {
        QFile::remove(temporary);
        return Result::Failed;
    }
    const int cols = table.columnCount();
    writer->expect(table.rowCount() + 1, cols);
    QStringList heading;
    QVector<CellFormat> formats;
    for (int c = 0; c < cols; ++c) {
        heading << table.heading(c);
        formats << table.format(c);
    }
    writer->setColumnFormats(formats);

    const qint64 total = table.rowCount();
    const int perSheet =
        writer->maxRowsPerSheet() > 0 ? writer->maxRowsPerSheet() - 1 : std::numeric_limits<int>::max();
    int sheetNo = 0;
    int onSheet = perSheet;
    QStringList cells;
    for (int r = 0; r < total; ++r) {
        if (onSheet == perSheet) {
            writer->startSheet(sheetName(name, ++sheetNo));
            writer->addRow(heading);
            onSheet = 0;
        }
        cells.clear();
        for (int c = 0; c < cols; ++c)
            cells << table.text(r, c);
        writer->addDataRow(cells);
        ++onSheet;
        if (progress && (r & 1023) == 1023 && !progress(r + 1, total)) {
            writer.reset(); // closes the half-written file before it is removed
            QFile::remove(temporary);
            return Result::Cancelled;
        }
    }
    if (sheetNo == 0) { // no rows: the heading alone
        writer->startSheet(sheetName(name, 1));
        writer->addRow(heading);
    }
    if (!writer->finish(error)) {
        QFile::remove(temporary);
        return Result::Failed;
    }
    if (progress)
        progress(total, total);
    if (sheets)
        *sheets = std::max(sheetNo, 1);
    return AtomicFile::replace(temporary, path, error) ? Result::Written : Result::Failed;
}

} // namespace SheetExport
