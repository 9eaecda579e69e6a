#pragma once

#include "common/core/CellFormat.h"
#include "common/core/TextRow.h"
#include <QColor>
#include <QStringList>
#include <QTableView>

#include <QVector>

class QAbstractButton;
class SpreadGridModel;

// The list grid of every list window. Rows and columns count from 1; row 0 is the column
// heading row and column 0 the row-number column. Cells hold text; a check column shows
// "1" as ticked and "0" as unticked. Windows give it their control name as objectName
// (fpSpread1, fpSpread2).
class SpreadGrid : public QTableView {
    Q_OBJECT
public:
    explicit SpreadGrid(QWidget* parent = nullptr);
    ~SpreadGrid() override;

    int maxRows() const;
    void setMaxRows(int n); // growing adds empty rows, shrinking drops the last rows
    int maxCols() const;
    void setMaxCols(int n);

    // Row 0 reads the column headings, column 0 the row header; cells outside the grid read "".
    QString text(int row, int col) const;
    // Writing outside the grid is ignored. Row 0 sets a column heading.
    void setText(int row, int col, const QString& text);
    void setColumnHeader(int col, const QString& text); // col 0: heading of the row-number column
    QString columnHeader(int col) const;

    void setRowValues(int row, const QStringList& values); // columns 1..n
    // Replaces every row at once. When the row count stays the same the view keeps its scroll
    // position, current cell and selection (a periodic refresh must not jump).
    void setAllRows(QVector<QStringList> rows);
    // The same for rows built as one string each (long lists).
    void setAllTextRows(QVector<TextRow> rows);

    void insertRows(int beforeRow, int count);
    void deleteRows(int row, int count);
    int appendRow(); // the new row's number

    int activeRow() const; // 0 when none
    void setActiveRow(int row);
    int activeCol() const;

    void joinCells(int row, int col, int rowSpan, int colSpan);
    void setCellStatic(int row, int col, Qt::Alignment align); // fixed text, not editable
    void setCellBackground(int row, int col, const QColor& c);
    QColor cellBackground(int row, int col) const; // invalid when the cell has none of its own
    void setCellForeground(int row, int col, const QColor& c);

    void setCheckColumn(int col); // 0 for none
    int checkColumn() const;
    bool isChecked(int row) const;

    void setColumnWidthChars(int col, double chars); // grid character units
    // Widens a column (never narrows it) so that its heading and the text of every cell show
    // whole with the fonts in use; joined cells are left out.
    void fitColumnToText(int col);
    double columnWidthChars(int col) const;
    void setColumnHidden(int col, bool hidden); // col 0 hides the row numbers
    bool isColumnHidden(int col) const;
    void setColumnEditable(int col, bool editable); // columns start read-only
    bool isColumnEditable(int col) const;
    void setColumnAlignment(int col, Qt::Alignment align);
    // What a column's texts stand for (numbers, dates); columns start as text.
    void setColumnFormat(int col, const CellFormat& format);
    CellFormat columnFormat(int col) const;

    void clearAll(); // no rows, no joined cells, no cell colours

    // Grid-wide colours set by the styling presets.
    void setBackColor(const QColor& c); // cells
    QColor backColor() const;
    void setGrayAreaBackColor(const QColor& c); // the area beyond the last row and column
    QColor grayAreaBackColor() const;
    void setShadowColor(const QColor& c); // headings and row numbers
    QColor shadowColor() const;
    void setSelBackColor(const QColor& c);
    QColor selBackColor() const;
    void setSelForeColor(const QColor& c);
    QColor selForeColor() const;

    // Suspends painting during bulk changes.
    void setRedraw(bool on);

    SpreadGridModel* gridModel() const { return m_model; }

signals:
    void cellClicked(int row, int col); // row 0 for a heading click
    void cellChanged(int row, int col); // edited or toggled by the user
    void activeRowChanged(int row);
    // Enter on the active row: the keyboard's way of opening it, as a click does.
    void rowEntered(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onClicked(const QModelIndex& index);
    void onCurrentChanged(const QModelIndex& current, const QModelIndex& previous);
    void onHeaderClicked(int section);
    void onUserEdit(int row, int col);
    void applyPalette();
    void fitRowHeader();
    int charWidth() const;
    int cellTextMargin() const;

    SpreadGridModel* m_model = nullptr;
    QAbstractButton* m_corner = nullptr; // the view's corner button
    QColor m_grayArea = Qt::white;
    QColor m_shadow;
    QColor m_selBack;
    QColor m_selFore;
    int m_lastActiveRow = 0;
    int m_rowHeaderPx = -1;        // the row-number column's width as set, -1 while not set
    QVector<CellFormat> m_formats; // by column number
};
