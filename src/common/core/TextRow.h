#pragma once

#include <QString>
#include <QStringList>
#include <QVarLengthArray>

// One grid row's cell texts side by side in one string. A list of a hundred thousand rows then
// costs one allocation per row instead of one per cell, to fill and to free. A row handed over
// as a list of texts may instead keep that list, shared with whoever made it, until a cell is
// written: it is not copied on the way in.
class TextRow {
public:
    TextRow() = default;
    explicit TextRow(const QStringList& cells) { assign(cells); }
    // Makes the row hold `cells`, in one allocation of the texts (none when the row's own
    // buffer has room).
    void assign(const QStringList& cells);
    // Makes the row hold `cells` by sharing the list; the first write makes it a row of its own.
    void share(const QStringList& cells);

    int size() const { return m_cells.isEmpty() ? int(m_ends.size()) : int(m_cells.size()); }
    // Cell i (from 0); a cell past the last one is "".
    QStringView at(int i) const;
    QString cell(int i) const { return m_cells.isEmpty() ? at(i).toString() : m_cells.value(i); }
    QStringList toStringList() const;

    void append(QStringView text);
    // Building a cell in place: write onto the end of buffer(), then endCell().
    QString& buffer() {
        pack();
        return m_texts;
    }
    void endCell() { m_ends.append(int(m_texts.size())); }
    // The text of the cell begun at `start` of buffer() so far.
    QStringView pending(qsizetype start) const { return QStringView(m_texts).mid(start); }

    // Replaces cell i; the row grows with empty cells up to it.
    void set(int i, QStringView text);
    // Keeps the first n cells.
    void truncate(int n);
    void reserve(qsizetype chars) {
        pack();
        m_texts.reserve(chars);
    }

    bool operator==(const TextRow& other) const;
    bool operator!=(const TextRow& other) const { return !(*this == other); }

private:
    qsizetype startOf(int i) const { return i == 0 ? 0 : m_ends.at(i - 1); }
    // A shared list becomes texts side by side before the row is changed.
    void pack();

    QString m_texts;
    QVarLengthArray<int, 8> m_ends; // where each cell ends in m_texts
    QStringList m_cells;            // the shared list, when the row holds one
};
