#include "dictionary/core/DictionaryData.h"

#include "app/core/ImePreference.h"
#include "db/StatementHelpers.h"
#include "dictionary/core/DictionaryStatements.h"

using namespace DictionaryRules;

namespace {
SaveResult runBatch(const QString& batch, AppError* error) {
    if (batch.isEmpty())
        return SaveResult::NothingToSave;
    return ExecSqlQuiet(batch, error) ? SaveResult::Saved : SaveResult::Failed;
}
} // namespace

bool LoadDictionaryList(const QString& moduleKey, bool all, QVector<DictionaryRow>* rows, AppError* error) {
    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, DictionarySql::dictionaries(moduleKey, all), error) || !rs)
        return false;
    rows->clear();
    for (rs->MoveFirst(); !rs->isEOF(); rs->MoveNext()) {
        rows->append({rs->text(QStringLiteral("DMMC")), rs->text(QStringLiteral("DM")),
                      rs->text(QStringLiteral("ZD_Type")) == QLatin1String("1") ? QStringLiteral("系统")
                                                                                : QStringLiteral("用户"),
                      rs->text(QStringLiteral("moudelname")), rs->text(QStringLiteral("BZ"))});
    }
    CloseRs(rs);
    return true;
}

bool LoadDictionaryEntries(const QString& code, QVector<EntryRow>* rows, AppError* error) {
    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, DictionarySql::entries(code), error) || !rs)
        return false;
    rows->clear();
    for (rs->MoveFirst(); !rs->isEOF(); rs->MoveNext())
        rows->append({rs->text(QStringLiteral("DMMC")), rs->text(QStringLiteral("id")), {}});
    CloseRs(rs);
    return true;
}

bool DeleteDictionaryEntry(const QString& id, AppError* error) {
    return ExecSqlQuiet(DictionarySql::deleteEntry(id), error);
}

SaveResult SaveDictionaryEntries(const QString& code, const QList<EntryRow>& rows, AppError* error) {
    return runBatch(EntryBatch(code, rows, &GetPY), error);
}

bool DeleteDictionary(const QString& code, AppError* error) {
    return ExecSqlQuiet(DictionarySql::deleteDictionary(code), error);
}

bool DictionaryCodeExists(const QString& code, bool* exists, AppError* error) {
    AppError failure;
    *exists = RecordExists(QStringLiteral("DAGL_ZD"), QStringLiteral("DM"), code, {}, &failure);
    if (failure.isSet()) {
        if (error)
            *error = failure;
        return false;
    }
    return true;
}

bool CreateDictionary(const QString& code, const QString& name, const QString& type, const QString& moduleKey,
                      const QString& remark, AppError* error) {
    return ExecSqlQuiet(DictionarySql::insertDictionary(code, name, type, moduleKey, remark), error);
}

bool ChangeDictionary(const QString& code, const QString& name, const QString& type, const QString& remark,
                      AppError* error) {
    return ExecSqlQuiet(DictionarySql::updateDictionary(remark, code, name, type), error);
}

bool LoadWindowTree(QVector<WindowNode>* nodes, AppError* error) {
    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, DictionarySql::windowTree(), error) || !rs)
        return false;
    nodes->clear();
    for (rs->MoveFirst(); !rs->isEOF(); rs->MoveNext()) {
        nodes->append({rs->text(QStringLiteral("ID")), rs->text(QStringLiteral("PID")),
                       rs->text(QStringLiteral("Sname")), rs->text(QStringLiteral("Ename")),
                       rs->number(QStringLiteral("Lavel")) == 0});
    }
    CloseRs(rs);
    return true;
}

bool LoadControlLinks(const QString& formName, QVector<ControlLink>* links, AppError* error) {
    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, DictionarySql::links(formName), error) || !rs)
        return false;
    links->clear();
    for (rs->MoveFirst(); !rs->isEOF(); rs->MoveNext()) {
        links->append({rs->text(QStringLiteral("ControlEname")), rs->text(QStringLiteral("ControlCname")),
                       rs->text(QStringLiteral("DMMC")), rs->text(QStringLiteral("id"))});
    }
    CloseRs(rs);
    return true;
}

SaveResult SaveControlLinks(const QList<LinkRow>& rows, AppError* error) {
    return runBatch(LinkBatch(rows), error);
}
