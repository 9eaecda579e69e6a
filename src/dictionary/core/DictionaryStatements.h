#pragma once

#include <QString>

// Statement texts of the dictionary windows, as the hospital database's other programs send
// them. Values go in through SqlText; dictionary codes of deletes and renames match exactly.
namespace DictionarySql {

// Dictionaries of a module (a pattern inside "%...%"), or all of them.
QString dictionaries(const QString& moduleKey, bool all);
QString entries(const QString& code);
QString deleteEntry(const QString& id);
QString insertEntry(const QString& code, const QString& letters, const QString& text);
QString updateEntry(const QString& text, const QString& letters, qint64 id);
// The dictionary and its entries, two statements joined by a line feed.
QString deleteDictionary(const QString& code);
QString insertDictionary(const QString& code, const QString& name, const QString& type,
                         const QString& moduleKey, const QString& remark);
QString updateDictionary(const QString& remark, const QString& code, const QString& name,
                         const QString& type);

QString windowTree();
QString links(const QString& formName);
QString updateLink(const QString& code, qint64 id);

} // namespace DictionarySql
