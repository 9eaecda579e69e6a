#pragma once

#include "common/core/AppError.h"
#include "output/core/TableSource.h"

#include <QString>

#include <functional>

namespace SheetExport {

// Told the rows written so far; answering false cancels the export.
using Progress = std::function<bool(qint64 done, qint64 total)>;

enum class Result { Written, Cancelled, Failed };

// Writes the heading row and then every row of `table` to `path` in the format its extension
// names (.xls unless .xlsx or .csv). A table longer than a sheet continues on further sheets,
// each starting with the heading row: "999", "999 (2)", ... The file appears only when it is
// complete: it is written beside the target under a temporary name and then renamed, so a
// cancelled or failed export leaves any earlier file of that name as it was. Numbers and dates
// of the table's number and date columns are written as such in the column's format. `sheets`
// is told how many sheets the file holds.
Result write(const TableSource& table, const QString& path, const QString& sheetName,
             const Progress& progress, AppError* error, int* sheets = nullptr);

QString sheetName(const QString& name, int sheetNo); // sheetNo from 1

} // namespace SheetExport

namespace AtomicFile {
// A name in the target's folder that no other file has.
QString temporaryPathFor(const QString& target);
// Moves `temporary` over `target` in one step; the temporary file is removed on failure.
[[nodiscard]] bool replace(const QString& temporary, const QString& target, AppError* error);
} // namespace AtomicFile
