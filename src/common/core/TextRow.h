#pragma once

#include <QString>
#include <QStringList>
#include <QVarLengthArray>

// One grid row's cell texts side by side in one string. A list of a hundred thousand rows then
// costs one allocation per row instead of one per cell, to fill and to free.
class TextRow {
public:
    TextRow() = default;
    explicit TextRow(const QStringList& cells);

    int size() const { return int(m_ends.size()); }
    // Cell i (from 0); a cell past the last one is "".
    QStringView at(int i) const;
    QString cell(int i) const { return at(i).toString(); }
    QStringList toStringList() const;

    void append(QStringView text);
    // Building a cell in place: write onto the end of buffer(), then endCell().
    QString& buffer() { return m_texts; }
    void endCell() { m_ends.append(int(m_texts.size())); }
    // The text of the cell begun at `start` of buffer() so far.
    QStringView pending(qsizetype start) const { return QStringView(m_texts).mid(start); }

    // Replaces cell i; the row grows with empty cells up to it.
    void set(int i, QStringView text);
    // Keeps the first n cells.
    void truncate(int n);
    void reserve(qsizetype chars) { m_texts.reserve(chars); }

    bool operator==(const TextRow& other) const;
    bool operator!=(const TextRow& other) const { return !(*this == other); }

private:
    qsizetype startOf(int i) const { return i == 0 ? 0 : m_ends.at(i - 1); }

    QString m_texts;
    QVarLengthArray<int, 8> m_ends; // where each cell ends in m_texts
};
