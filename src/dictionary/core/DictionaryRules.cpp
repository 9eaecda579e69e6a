#include "dictionary/core/DictionaryRules.h"

#include "dictionary/core/DictionaryStatements.h"

#include <QHash>

namespace DictionaryRules {

namespace {
// Ids come from the database; a cell that holds anything else names no row.
bool numericId(const QString& text, qint64* id) {
    bool ok = false;
    *id = text.trimmed().toLongLong(&ok);
    return ok;
}
} // namespace

QString ModuleKey(const QString& applicationTitle) {
    static const QHash<QString, QString> keys = {
        {QStringLiteral("儿童计划免疫管理系统"), QStringLiteral("计划免疫")},
        {QStringLiteral("计划生育管理系统"), QStringLiteral("计划生育")},
        {QStringLiteral("门诊挂号收费管理系统"), QStringLiteral("门诊")},
        {QStringLiteral("配置管理系统"), QStringLiteral("配置")},
        {QStringLiteral("药品管理系统"), QStringLiteral("药库")},
        {QStringLiteral("药库管理系统"), QStringLiteral("药库")},
        {QStringLiteral("住院管理系统"), QStringLiteral("住院管理")},
        {QStringLiteral("全科诊疗管理系统"), QStringLiteral("全科诊疗")},
        {QStringLiteral("健康档案管理系统"), QStringLiteral("健康档案")},
        {QStringLiteral("文件管理"), QStringLiteral("文件管理")},
        {QStringLiteral("儿童保健管理系统"), QStringLiteral("儿童保健")},
        {QStringLiteral("妇女保健管理系统"), QStringLiteral("妇女保健")},
        {QStringLiteral("出生证明"), QStringLiteral("出生证明")},
        {QStringLiteral("疾病管理系统"), QStringLiteral("疾病管理")},
    };
    return keys.value(applicationTitle, QStringLiteral("%"));
}

QString CodeRefusal(const QString& code) {
    for (const QChar c : code) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('[') || c == QLatin1Char(']'))
            return QStringLiteral("字典代码不能含有 %、_、[、] 字符，请输入其它代码。");
    }
    return {};
}

int NextHit(const QStringList& names, int lastHit, const QString& text) {
    if (text.isEmpty())
        return 0;
    const int count = int(names.size());
    const int from = qBound(0, lastHit, count);
    for (int row = from + 1; row <= count; ++row) {
        if (names.at(row - 1).contains(text, Qt::CaseSensitive))
            return row;
    }
    for (int row = 1; row <= from; ++row) {
        if (names.at(row - 1).contains(text, Qt::CaseSensitive))
            return row;
    }
    return 0;
}

int ExactHit(const QStringList& names, const QString& text) {
    const QString wanted = text.trimmed();
    for (int i = 0; i < names.size(); ++i) {
        if (names.at(i).trimmed() == wanted)
            return i + 1;
    }
    return 0;
}

QString EntryBatch(const QString& code, const QList<EntryRow>& rows,
                   const std::function<QString(const QString&)>& lettersOf) {
    QString batch;
    for (const EntryRow& row : rows) {
        qint64 id = 0;
        if (row.id.isEmpty() && row.text.trimmed().isEmpty())
            continue; // a blank new row is no entry
        if (row.id.isEmpty())
            batch += DictionarySql::insertEntry(code, lettersOf(row.text), row.text) + QLatin1Char('\n');
        else if (row.mark == ChangedMark && numericId(row.id, &id))
            batch += DictionarySql::updateEntry(row.text, lettersOf(row.text), id) + QLatin1Char('\n');
    }
    return batch;
}

QString LinkBatch(const QList<LinkRow>& rows) {
    QString batch;
    for (const LinkRow& row : rows) {
        qint64 id = 0;
        if (row.mark == ChangedMark && numericId(row.id, &id))
            batch += DictionarySql::updateLink(row.code, id) + QLatin1Char('\n');
    }
    return batch;
}

} // namespace DictionaryRules
