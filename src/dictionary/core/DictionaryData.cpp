#include "dictionary/core/DictionaryData.h"

#include "app/core/ImePreference.h"
#include "db/StatementHelpers.h"
#include "db/audit/AuditTrail.h"
#include "dictionary/core/DictionaryStatements.h"

using namespace DictionaryRules;

namespace {

// A change of the dictionary tables with its row in the audit trail, in one transaction.
bool change(const QString& action, const QString& detail, const QString& sql, AppError* error) {
    return AuditTrail::withRow(
        AuditTrail::entryFor(action, {}, detail), [&sql](AppError* e) { return ExecSqlQuiet(sql, e); },
        error);
}

SaveResult runBatch(const QString& action, const QString& detail, const QString& batch, AppError* error) {
    if (batch.isEmpty())
        return SaveResult::NothingToSave;
    return change(action, detail, batch, error) ? SaveResult::Saved : SaveResult::Failed;
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
    return change(AuditAction::DictionaryEdit, QStringLiteral("删除字典内容id=%1").arg(id),
                  DictionarySql::deleteEntry(id), error);
}

SaveResult SaveDictionaryEntries(const QString& code, const QList<EntryRow>& rows, AppError* error) {
    int added = 0, changed = 0;
    for (const EntryRow& row : rows) {
        added += row.id.isEmpty() && !row.text.trimmed().isEmpty() ? 1 : 0;
        changed += !row.id.isEmpty() && row.mark == ChangedMark ? 1 : 0;
    }
    return runBatch(AuditAction::DictionaryEdit,
                    QStringLiteral("字典【%1】内容：新增%2条，修改%3条").arg(code).arg(added).arg(changed),
                    EntryBatch(code, rows, &GetPY), error);
}

bool DeleteDictionary(const QString& code, AppError* error) {
    return change(AuditAction::DictionaryEdit, QStringLiteral("删除字典【%1】及其内容").arg(code),
                  DictionarySql::deleteDictionary(code), error);
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
    return change(AuditAction::DictionaryEdit, QStringLiteral("新建字典【%1】%2").arg(code, name),
                  DictionarySql::insertDictionary(code, name, type, moduleKey, remark), error);
}

bool ChangeDictionary(const QString& code, const QString& name, const QString& type, const QString& remark,
                      AppError* error) {
    return change(AuditAction::DictionaryEdit, QStringLiteral("修改字典【%1】%2").arg(code, name),
                  DictionarySql::updateDictionary(remark, code, name, type), error);
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
    QStringList changed;
    for (const LinkRow& row : rows) {
        if (row.mark == ChangedMark)
            changed << QStringLiteral("id=%1→%2")
                           .arg(row.id, row.code.isEmpty() ? QStringLiteral("(无)") : row.code);
    }
    return runBatch(AuditAction::LinkEdit, changed.join(QStringLiteral("，")), LinkBatch(rows), error);
}
