#pragma once

#include "common/core/AppError.h"
#include "dictionary/core/DictionaryRules.h"

#include <QString>
#include <QVector>

// What the dictionary windows read and write, without the windows. Every routine hands a
// failure back in `error` and shows nothing; the windows show the common error message.

// One dictionary as the list shows it; `type` is "系统" or "用户".
struct DictionaryRow {
    QString name, code, type, module, remark;
};
[[nodiscard]] bool LoadDictionaryList(const QString& moduleKey, bool all, QVector<DictionaryRow>* rows,
                                      AppError* error);

// The entries of a dictionary (text and id; no change mark).
[[nodiscard]] bool LoadDictionaryEntries(const QString& code, QVector<DictionaryRules::EntryRow>* rows,
                                         AppError* error);
[[nodiscard]] bool DeleteDictionaryEntry(const QString& id, AppError* error);

enum class SaveResult { NothingToSave, Saved, Failed };
// New rows are inserted and changed ones updated, with the code letters of their texts.
[[nodiscard]] SaveResult SaveDictionaryEntries(const QString& code,
                                               const QList<DictionaryRules::EntryRow>& rows, AppError* error);

// The dictionary and all its entries.
[[nodiscard]] bool DeleteDictionary(const QString& code, AppError* error);
[[nodiscard]] bool DictionaryCodeExists(const QString& code, bool* exists, AppError* error);
[[nodiscard]] bool CreateDictionary(const QString& code, const QString& name, const QString& type,
                                    const QString& moduleKey, const QString& remark, AppError* error);
[[nodiscard]] bool ChangeDictionary(const QString& code, const QString& name, const QString& type,
                                    const QString& remark, AppError* error);

// One node of the window tree, in the order of the table's levels.
struct WindowNode {
    QString id, parentId, name, form;
    bool topLevel = false;
};
[[nodiscard]] bool LoadWindowTree(QVector<WindowNode>* nodes, AppError* error);

// The registered controls of a window with the names of their linked dictionaries.
struct ControlLink {
    QString control, caption, dictionaryName, id;
};
[[nodiscard]] bool LoadControlLinks(const QString& formName, QVector<ControlLink>* links, AppError* error);
[[nodiscard]] SaveResult SaveControlLinks(const QList<DictionaryRules::LinkRow>& rows, AppError* error);
