#include "common/core/TextRow.h"

TextRow::TextRow(const QStringList& cells) {
    qsizetype chars = 0;
    for (const QString& c : cells)
        chars += c.size();
    m_texts.reserve(chars);
    for (const QString& c : cells)
        append(c);
}

QStringView TextRow::at(int i) const {
    if (i < 0 || i >= size())
        return {};
    const qsizetype start = startOf(i);
    return QStringView(m_texts).mid(start, m_ends.at(i) - start);
}

QStringList TextRow::toStringList() const {
    QStringList cells;
    cells.reserve(size());
    for (int i = 0; i < size(); ++i)
        cells.append(cell(i));
    return cells;
}

void TextRow::append(QStringView text) {
    m_texts.append(text);
    endCell();
}

void TextRow::set(int i, QStringView text) {
    if (i < 0)
        return;
    while (size() <= i)
        endCell();
    const qsizetype start = startOf(i);
    const qsizetype old = m_ends.at(i) - start;
    m_texts.replace(start, old, text.data(), text.size());
    const qsizetype shift = text.size() - old;
    if (shift != 0)
        for (int k = i; k < size(); ++k)
            m_ends[k] += int(shift);
}

void TextRow::truncate(int n) {
    if (n < 0 || n >= size())
        return;
    m_ends.resize(n);
    m_texts.truncate(n == 0 ? 0 : m_ends.at(n - 1));
}

bool TextRow::operator==(const TextRow& other) const {
    return m_ends == other.m_ends && m_texts == other.m_texts;
}
