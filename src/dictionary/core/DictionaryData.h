#pragma once

#include "common/core/AppError.h"
#include "dictionary/core/DictionaryRules.h"

#include <QString>
#include <QVector>

// What the dictionary windows read and write, without the windows. Loading routines hand a
// failure back in `error`; writing routines show the common error message themselves.

// One dictionary as the list shows it; `type` is "系统" or "用户".
struct DictionaryRow {
    QString name, code, type, module, remark;
};
bool LoadDictionaryList(const QString& moduleKey, bool all, QVector<DictionaryRow>* rows, AppError* error);

// The entries of a dictionary (text and id; no change mark).
bool LoadDictionaryEntries(const QString& code, QVector<DictionaryRules::EntryRow>* rows, AppError* error);
bool DeleteDictionaryEntry(const QString& id);

enum class SaveResult { NothingToSave, Saved, Failed };
// New rows are inserted and changed ones updated, with the code letters of their texts.
SaveResult SaveDictionaryEntries(const QString& code, const QList<DictionaryRules::EntryRow>& rows);

// The dictionary and all its entries.
bool DeleteDictionary(const QString& code);
bool DictionaryCodeExists(const QString& code, bool* exists, AppError* error);
bool CreateDictionary(const QString& code, const QString& name, const QString& type, const QString& moduleKey,
                      const QString& remark);
bool ChangeDictionary(const QString& code, const QString& name, const QString& type, const QString& remark);

// One node of the window tree, in the order of the table's levels.
struct WindowNode {
    QString id, parentId, name, form;
    bool topLevel = false;
};
bool LoadWindowTree(QVector<WindowNode>* nodes, AppError* error);

// The registered controls of a window with the names of their linked dictionaries.
struct ControlLink {
    QString control, caption, dictionaryName, id;
};
bool LoadControlLinks(const QString& formName, QVector<ControlLink>* links, AppError* error);
SaveResult SaveControlLinks(const QList<DictionaryRules::LinkRow>& rows);
