#pragma once

#include <QHash>
#include <QString>

// Pinyin initials of the Chinese characters, as shipped in resources/pinyin_initials.txt
// (one line per character: the character and its upper-case initial).
class PinyinTable {
public:
    // Reads the table shipped with the program; empty when the resource is missing.
    static const PinyinTable& shipped();
    static PinyinTable fromText(const QString& text);

    int size() const { return int(m_initials.size()); }
    bool contains(QChar hz) const { return m_initials.contains(hz); }
    QChar initialOf(QChar hz) const { return m_initials.value(hz); }
    // Initials of a text as the dictionary codes use them: ASCII kept, blanks dropped,
    // characters without an entry dropped.
    QString initialsOf(const QString& text) const;
    // In file order, for loading GY_HZBM.
    const QString& characters() const { return m_order; }

private:
    QHash<QChar, QChar> m_initials;
    QString m_order;
};
