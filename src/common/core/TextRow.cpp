#include "common/core/TextRow.h"

#include <algorithm>

void TextRow::assign(const QStringList& cells) {
    m_cells = QStringList();
    qsizetype chars = 0;
    for (const QString& c : cells)
        chars += c.size();
    if (m_texts.isDetached() && m_texts.capacity() >= chars)
        m_texts.resize(chars);
    else
        m_texts = QString(chars, Qt::Uninitialized);
    m_ends.resize(cells.size());
    QChar* out = chars > 0 ? m_texts.data() : nullptr;
    qsizetype end = 0;
    for (int i = 0; i < cells.size(); ++i) {
        const QString& cell = cells.at(i);
        std::copy_n(cell.constData(), cell.size(), out + end);
        end += cell.size();
        m_ends[i] = int(end);
    }
}

void TextRow::share(const QStringList& cells) {
    m_cells = cells;
    m_texts = QString();
    m_ends.clear();
}

void TextRow::pack() {
    if (!m_cells.isEmpty())
        assign(QStringList(std::move(m_cells)));
}

QStringView TextRow::at(int i) const {
    if (!m_cells.isEmpty())
        return i >= 0 && i < m_cells.size() ? QStringView(m_cells.at(i)) : QStringView();
    if (i < 0 || i >= size())
        return {};
    const qsizetype start = startOf(i);
    return QStringView(m_texts).mid(start, m_ends.at(i) - start);
}

QStringList TextRow::toStringList() const {
    if (!m_cells.isEmpty())
        return m_cells;
    QStringList cells;
    cells.reserve(size());
    for (int i = 0; i < size(); ++i)
        cells.append(cell(i));
    return cells;
}

void TextRow::append(QStringView text) {
    pack();
    m_texts.append(text);
    endCell();
}

void TextRow::set(int i, QStringView text) {
    if (i < 0)
        return;
    pack();
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
    pack();
    m_ends.resize(n);
    m_texts.truncate(n == 0 ? 0 : m_ends.at(n - 1));
}

bool TextRow::operator==(const TextRow& other) const {
    if (m_cells.isEmpty() && other.m_cells.isEmpty())
        return m_ends == other.m_ends && m_texts == other.m_texts;
    if (size() != other.size())
        return false;
    for (int i = 0; i < size(); ++i)
        if (at(i) != other.at(i))
            return false;
    return true;
}
