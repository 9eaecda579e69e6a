#include "db/demo/PinyinTable.h"

#include <QFile>

void initDemoResources();

const PinyinTable& PinyinTable::shipped() {
    static const PinyinTable table = [] {
        initDemoResources();
        QFile file(QStringLiteral(":/demo/pinyin_initials.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return PinyinTable{};
        return fromText(QString::fromUtf8(file.readAll()));
    }();
    return table;
}

PinyinTable PinyinTable::fromText(const QString& text) {
    PinyinTable table;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString entry = line.trimmed();
        // Characters of GBK all lie in the basic plane: one QChar each.
        if (entry.size() != 2 || entry.at(0).unicode() < 128 || entry.at(1).unicode() >= 128 ||
            !entry.at(1).isLetter())
            continue;
        if (!table.m_initials.contains(entry.at(0)))
            table.m_order.append(entry.at(0));
        table.m_initials.insert(entry.at(0), entry.at(1).toUpper());
    }
    return table;
}

QString PinyinTable::initialsOf(const QString& text) const {
    QString result;
    for (const QChar c : text) {
        if (c.isSpace())
            continue;
        if (c.unicode() < 128)
            result.append(c);
        else if (m_initials.contains(c))
            result.append(m_initials.value(c));
    }
    return result;
}
