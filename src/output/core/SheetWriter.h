#pragma once

#include "common/core/AppError.h"

#include <QString>
#include <QStringList>

#include <memory>

// One spreadsheet file format. The export routine opens the file, starts each sheet, hands
// over the rows in order and finishes; a writer that failed reports it in finish().
class SheetWriter {
public:
    virtual ~SheetWriter() = default;
    // Rows one sheet holds, the heading row included; 0 for no limit.
    virtual int maxRowsPerSheet() const = 0;
    virtual bool open(const QString& path, AppError* error) = 0;
    // How many rows and columns are coming, so a writer can make room at once.
    virtual void expect(qint64 rows, int cols) {
        Q_UNUSED(rows);
        Q_UNUSED(cols);
    }
    virtual void startSheet(const QString& name) = 0;
    virtual void addRow(const QStringList& cells) = 0;
    virtual bool finish(AppError* error) = 0;
};

enum class SheetFormat { Xls, Xlsx, Csv };

// By the file name's extension: ".xlsx" and ".csv" name their formats, anything else is .xls.
SheetFormat sheetFormatOf(const QString& path);
std::unique_ptr<SheetWriter> makeSheetWriter(SheetFormat format);

// A sheet name every format accepts: at most 31 characters, none of []:*?/\ ; "Sheet1" when
// nothing is left.
QString cleanSheetName(const QString& name);
