#pragma once

#include "output/core/ReportDescription.h"
#include "output/core/TableSource.h"

#include <QString>
#include <QVector>

class QWidget;
class SpreadGrid;

// The grid's columns as a table to print or export: the visible columns 1..n (and the row
// numbers when their column is shown under a heading of its own), rows as the grid shows them.
class SpreadGridTable : public TableSource {
public:
    enum RowNumbers { WithoutRowNumbers, WithRowNumbers };
    explicit SpreadGridTable(const SpreadGrid& grid, RowNumbers rowNumbers = WithoutRowNumbers);
    int columnCount() const override { return int(m_cols.size()); }
    int rowCount() const override;
    QString heading(int col) const override;
    QString text(int row, int col) const override;
    double widthChars(int col) const override;
    CellFormat format(int col) const override;

private:
    const SpreadGrid& m_grid;
    QVector<int> m_cols; // grid column numbers
};

// Prints (`direct`) or previews the grid as a report under the nine header and footer lines.
// Direct print asks for the printer; where none is installed it asks for a PDF file instead.
// An empty grid is refused with "{title}  未发现可以打印的内容。". A failure shows the common
// error message; false when nothing was printed.
bool PrintGridReport(const SpreadGrid* grid, const GridReportArgs& args, bool direct);
// The same with the header values one by one, in the order the windows have always passed them.
bool PrintGrid(QWidget* owner, const SpreadGrid* grid, const QString& title, bool printerOption, bool direct,
               const QString& unitName, const QString& startDate, const QString& endDate,
               const QString& makerText, const QString& printDateText, const QString& extraHeader = {},
               qint16 layoutValue = 0);

// Prints or previews any report (the admin tool and PrintGrid share it).
bool PrintReport(const ReportDescription& report, const TableSource& table, bool direct);

// Saves the grid as a workbook: the heading row, then every row as the grid shows it, in one
// sheet named `name` (continued on "name (2)", ... past 65,536 rows, which the success message
// tells). Number and date columns hold numbers and dates in the grid's format. The file type
// chosen in the dialog decides the format. `name` is also the proposed file name. A failure
// shows the common error message. The grid itself is not changed. The audit trail records the
// export with the owner window's caption (the list), the rows and the file.
void ExportGridToExcel(const SpreadGrid* grid, QWidget* ownerWindow, const QString& name);

// The common open/save dialog. `filter` holds "description|pattern" pairs. A proposed name
// longer than 260 characters is refused with "Filename Length Overflow". `noFlags` 0 asks
// before replacing a file. The chosen path, or empty when cancelled. `ownerWindow` is not used.
QString FileDialog(QWidget* ownerWindow, bool& saveMode, const QString& title, const QString& filter,
                   const QString& fileName, const QString& defaultExt, const QString& initialDir,
                   qint16 noFlags);

// Deletes grid row `row`; on an empty grid shows "{title}  未发现可以删除的内容。" and returns false.
bool DeleteGridRow(SpreadGrid* grid, int row);
