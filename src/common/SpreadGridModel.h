#pragma once

#include "common/core/TextRow.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QColor>
#include <QStringList>
#include <QVector>

// The grid's data: one record per row holding the row's texts side by side in one string, and cell looks
// only for the few cells that have one. Model row r / column c is grid row r + 1 / column c + 1.
class SpreadGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct CellLook {
        QColor back;
        QColor fore;
        Qt::Alignment align;
        bool isStatic = false;
        bool isEmpty() const { return !back.isValid() && !fore.isValid() && !align && !isStatic; }
    };

    explicit SpreadGridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Grid-numbered access (rows and columns from 1).
    int rows() const { return int(m_rows.size()); }
    int cols() const { return m_cols; }
    void setRows(int n);
    void setCols(int n);
    QString text(int row, int col) const;
    void setText(int row, int col, const QString& text);
    QString header(int col) const;
    void setHeader(int col, const QString& text);
    void setRowValues(int row, const QStringList& values);
    void setAllRows(QVector<QStringList> rows);
    void setAllTextRows(QVector<TextRow> rows);
    void insertGridRows(int beforeRow, int count);
    void removeGridRows(int row, int count);
    void clearAll();

    CellLook look(int row, int col) const;
    void setLook(int row, int col, const CellLook& look);

    void setCheckColumn(int col) { m_checkCol = col; }
    int checkColumn() const { return m_checkCol; }
    void setColumnEditable(int col, bool editable);
    bool isColumnEditable(int col) const;
    void setColumnAlignment(int col, Qt::Alignment align);
    void setBackColor(const QColor& c);
    QColor backColor() const { return m_back; }

signals:
    // A user edit through the view (typing or ticking).
    void userEdited(int row, int col);

private:
    // A cell of the tick column shows a box unless it was made static text.
    bool isTickCell(const CellLook* cellLook, int col) const;
    struct Row {
        TextRow texts;           // may be shorter than the column count: missing cells are ""
        QVector<CellLook> looks; // empty unless a cell of the row has a look
    };
    bool inGrid(int row, int col) const { return row >= 1 && row <= rows() && col >= 1 && col <= m_cols; }
    void emitRowChanged(int row);
    // Makes the grid hold n rows whose texts fill(i, texts) writes (rows from 0). The texts are
    // written in place: a new row is not built aside and moved in.
    template <typename FillRow> void replaceRows(int n, FillRow&& fill);
    // Cell writes are told to the view in one notice per pass of the event loop, so a window
    // that fills thousands of cells one by one does not pay for thousands of notices.
    void noteChanged(int row, int col);
    void flushChanges();

    QVector<Row> m_rows;
    int m_cols = 0;
    QStringList m_headers; // index 0 = row-number column heading
    QVector<bool> m_editable;
    QVector<Qt::Alignment> m_colAlign;
    int m_checkCol = 0;
    QColor m_back = Qt::white;
    QBrush m_backBrush{Qt::white};
    bool m_flushQueued = false;
    int m_dirtyTop = 0, m_dirtyBottom = -1, m_dirtyLeft = 0, m_dirtyRight = -1; // model numbering
};
