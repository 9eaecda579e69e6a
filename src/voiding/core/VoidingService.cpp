#include "voiding/core/VoidingService.h"

#include "common/core/CrashPoint.h"
#include "db/Connection.h"
#include "db/DbErrors.h"
#include "db/audit/AuditTrail.h"
#include "voiding/core/VoidingStatements.h"

VoidRefusal CheckVoid(const QString& shownDH, const QStringList& listedDH) {
    const QString wanted = shownDH.trimmed();
    if (wanted.isEmpty())
        return VoidRefusal::NothingSelected;
    for (const QString& dh : listedDH)
        if (dh.trimmed() == wanted)
            return VoidRefusal::None;
    return VoidRefusal::NotListed;
}

QString VoidRefusalText(VoidRefusal refusal) {
    switch (refusal) {
    case VoidRefusal::NothingSelected:
        return QStringLiteral("请先选择您要作废的单据！");
    case VoidRefusal::NotListed:
        return QStringLiteral("未作废单据列表中未找到该单号，可能是该单号刚才已经作废。");
    case VoidRefusal::None:
        break;
    }
    return {};
}

QString ConfirmVoidText(const QString& patientName) {
    return QStringLiteral("确认要作废【") + patientName.trimmed() + QStringLiteral("】的单据吗?");
}

namespace {

VoidOutcome rollBack(VoidOutcome outcome, AppError* out, const AppError& error = {}) {
    AppError ignored;
    if (gConn->inTransaction())
        gConn->rollbackTrans(&ignored);
    if (out)
        *out = error;
    return outcome;
}

// A void that failed leaves its row after the rollback, in a transaction of its own.
VoidOutcome failVoid(const AuditEntry& entry, AppError* out, const AppError& error) {
    rollBack(VoidOutcome::Failed, out, error);
    AuditEntry failed = entry;
    failed.action = AuditAction::VoidFailed;
    failed.detail = error.description.left(200);
    AppError ignored; // the void's own error is the one to tell
    (void)AuditTrail::appendAlone(failed, &ignored);
    return VoidOutcome::Failed;
}

} // namespace

VoidOutcome VoidDocument(const QString& dh, const QString& dept, const QString& user, AppError* error) {
    if (!gConn) {
        if (error)
            *error = {91, QStringLiteral("对象变量未设置"), QStringLiteral("VoidDocument")};
        return VoidOutcome::Failed;
    }
    const AuditEntry entry{user, dept, AuditAction::Void, dh, QString()};
    AppError err;
    if (!gConn->beginTrans(&err))
        return rollBack(VoidOutcome::Failed, error, err);
    YJGL_CRASH_POINT("void:begun");
    const RecordsetPtr voided = gConn->execute(VoidingSql::voidRecord(user, dh, dept), &err);
    if (!voided)
        return failVoid(entry, error, err);
    // The write lock is held from here on: no valid record means somebody was quicker.
    if (voided->RecordsAffected() == 0)
        return rollBack(VoidOutcome::AlreadyVoided, error);
    YJGL_CRASH_POINT("void:record");
    if (!gConn->execute(VoidingSql::returnItems(dh, dept), &err) || !AuditTrail::append(entry, &err))
        return failVoid(entry, error, err);
    YJGL_CRASH_POINT("void:items");
    if (!gConn->commitTrans(&err)) {
        // A link lost during the commit leaves its outcome unknown: the server is asked again,
        // and a void it kept (with its row of the trail, stored in the same transaction) is done.
        AppError settleError;
        if (err.number != DbError::BrokenLink || !VoidWasStored(dh, dept, user, &settleError))
            return failVoid(entry, error, err);
    }
    AuditTrail::committed();
    YJGL_CRASH_POINT("void:committed");
    return VoidOutcome::Voided;
}

bool VoidWasStored(const QString& dh, const QString& dept, const QString& user, AppError* error) {
    if (!gConn) {
        if (error)
            *error = {91, QStringLiteral("对象变量未设置"), QStringLiteral("VoidDocument")};
        return false;
    }
    gConn->close();
    AppError failure;
    RecordsetPtr found;
    if (!gConn->open(&failure) ||
        !(found = gConn->execute(VoidingSql::storedVoid(user, dh, dept), &failure))) {
        if (error)
            *error = failure;
        return false;
    }
    return found->RecordCount() > 0;
}
