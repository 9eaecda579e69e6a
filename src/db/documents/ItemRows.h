#pragma once

#include "common/core/AppError.h"

#include <QStringList>
#include <QVariant>
#include <QVector>

class Recordset;

// How the items of a document are written into the detail grid (columns 1 to 14).
namespace ItemRows {

constexpr int kColumnCount = 14;
constexpr int kTickColumn = 1;
constexpr int kGroupColumn = 2;
constexpr int kAmountColumn = 9;

// A number with a fixed count of decimals, rounded half away from zero on the value as
// written with 15 significant digits (so 1.005 gives "1.01"). Null gives ""; a text that
// is not a number stays as it is.
QString FormatFixed(const QVariant& value, int decimals);

// The group column: the value as text when it is numeric, else "1".
QString GroupText(const QVariant& groupYP);
// The whole-number group of a cell text used for the colouring; non-numeric counts as 1.
qint64 GroupNumber(const QString& cellText);

// Where the item columns sit in a result; found once per result, not once per row.
struct Fields {
    explicit Fields(const Recordset& rs);
    int groupYP, bm, pm, gg, dw, sl, dj, ssje, kcl, lx, sfjkc, clb, id;
};

// Columns 1..14 of the current row of `rs` (index 0 is column 1). The tick starts at "1".
QStringList FormatRow(const Recordset& rs, const Fields& f);
// SSJE of the current row as a number for the total (null or not numeric gives 0).
double RawAmount(const Recordset& rs, const Fields& f);

QStringList Headers(); // column 0 to 14

// The items of an outpatient document for the department: one formatted row each, and the
// total of the raw amounts.
[[nodiscard]] bool Load(const QString& dept, const QString& dh, QVector<QStringList>* rows, double* total,
                        AppError* error);

} // namespace ItemRows
