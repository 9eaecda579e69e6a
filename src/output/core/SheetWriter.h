#pragma once

#include "common/core/AppError.h"
#include "common/core/CellFormat.h"

#include <QString>
#include <QStringList>
#include <QVector>

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
    // What the data rows' columns hold; set before the first row.
    virtual void setColumnFormats(const QVector<CellFormat>& formats) { m_formats = formats; }
    virtual void startSheet(const QString& name) = 0;
    // A row of texts as given (the heading row).
    virtual void addRow(const QStringList& cells) = 0;
    // A row of the table: a cell of a number or date column that reads as one is written as a
    // number in the column's format, anything else as text.
    virtual void addDataRow(const QStringList& cells) { addRow(cells); }
    virtual bool finish(AppError* error) = 0;

protected:
    CellFormat formatOf(int col) const { return m_formats.value(col); }

private:
    QVector<CellFormat> m_formats;
};

namespace SheetCells {
// The number a cell stands for: the value shown in a number column, the serial day count
// (days since 1899-12-30, the time as a fraction) in a date column. False for a text column,
// an empty cell and a text that reads as neither; such cells stay text.
bool numberOf(const QString& text, const CellFormat& format, double* number);
} // namespace SheetCells

enum class SheetFormat { Xls, Xlsx, Csv };

// By the file name's extension: ".xlsx" and ".csv" name their formats, anything else is .xls.
SheetFormat sheetFormatOf(const QString& path);
std::unique_ptr<SheetWriter> makeSheetWriter(SheetFormat format);

// A sheet name every format accepts: at most 31 characters, none of []:*?/\ ; "Sheet1" when
// nothing is left.
QString cleanSheetName(const QString& name);
