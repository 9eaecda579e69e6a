#pragma once

#include "common/core/CellFormat.h"
#include "common/core/TextRow.h"

#include <QStringList>
#include <QVector>

class Recordset;

// How the query windows write a result into their grids.
namespace QueryRows {

// One list column: its heading, width in grid character units and the field it shows.
struct Column {
    QString heading;
    double width;
    QString field;
    bool dateTime = false; // shown "yyyy-mm-dd hh:mm"
    CellFormat format() const;
};

QVector<Column> ExecutedColumns();
QVector<Column> VoidedColumns();

// Every record of `rs` as list rows (a null is the empty text), all of them.
QVector<TextRow> ListRows(const Recordset& rs, const QVector<Column>& columns);

// The item grid: headings of the row-number column and columns 1 to 7.
QStringList ItemHeadings();
// What the item grid's columns 1 to 7 hold: texts, then the quantity, the unit price shown
// "0.000" and the amount "0.00" as numbers.
QVector<CellFormat> ItemFormats();
// Code, name, strength and pack size, unit, quantity, unit price "0.000", amount "0.00".
QVector<QStringList> ItemGridRows(const Recordset& rs);

// A date-time value as "yyyy-mm-dd hh:mm"; a null is the empty text.
QString MinuteText(const QVariant& value);
// The same for a value already read as text.
QString MinuteText(const QString& text);

} // namespace QueryRows
