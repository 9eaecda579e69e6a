#pragma once

#include "common/core/CellFormat.h"

#include <QString>
#include <QStringList>
#include <QVector>

// A table to print or export: headings, rows of texts, and the column widths in the grid's
// character units. Rows and columns count from 0 here.
class TableSource {
public:
    virtual ~TableSource() = default;
    virtual int columnCount() const = 0;
    virtual int rowCount() const = 0;
    virtual QString heading(int col) const = 0;
    virtual QString text(int row, int col) const = 0;
    // 0 lets the layout measure the column's texts.
    virtual double widthChars(int col) const {
        Q_UNUSED(col);
        return 0;
    }
    // What the column's texts stand for; an export writes numbers and dates as such.
    virtual CellFormat format(int col) const {
        Q_UNUSED(col);
        return {};
    }
    // A column of numbers is printed right-aligned.
    virtual bool alignRight(int col) const {
        Q_UNUSED(col);
        return false;
    }
};

// A table held as plain texts (query results, tests, benchmarks).
class TextTable : public TableSource {
public:
    QStringList headings;
    QVector<double> widths;      // may be shorter than the headings
    QVector<CellFormat> formats; // may be shorter too: text
    QVector<QStringList> rows;

    int columnCount() const override { return int(headings.size()); }
    int rowCount() const override { return int(rows.size()); }
    QString heading(int col) const override { return headings.value(col); }
    QString text(int row, int col) const override { return rows.at(row).value(col); }
    double widthChars(int col) const override { return widths.value(col); }
    CellFormat format(int col) const override { return formats.value(col); }
};
