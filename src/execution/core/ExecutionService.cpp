#include "execution/core/ExecutionService.h"

#include "common/core/Clock.h"
#include "common/core/CrashPoint.h"
#include "db/Connection.h"
#include "db/DbErrors.h"
#include "db/audit/AuditTrail.h"
#include "execution/core/DayNumber.h"
#include "execution/core/ExecutionStatements.h"

namespace {

bool collect(const QString& sql, QStringList* into, AppError* error) {
    RecordsetPtr rs = gConn->execute(sql, error);
    if (!rs)
        return false;
    for (const auto& row : rs->rows())
        if (!row.isEmpty())
            into->append(Recordset::asText(row.first()));
    return true;
}

bool chooseNumber(const QString& shown, QString* number, AppError* error) {
    if (!shown.isEmpty()) {
        RecordsetPtr used = gConn->execute(ExecutionSql::executionNumberUsed(shown), error);
        if (!used)
            return false;
        if (used->RecordCount() == 0) {
            *number = shown;
            return true;
        }
    }
    const QDate today = Clock::today();
    QStringList taken;
    if (!collect(ExecutionSql::executionNumbersOfDay(today), &taken, error) ||
        !collect(ExecutionSql::dispensingNumbersOfDay(today), &taken, error))
        return false;
    *number = NextFreeDayNumber(taken, today);
    return true;
}

AuditEntry auditEntry(const ExecutionRecord& record, const QString& number) {
    return {record.zxr, record.dept, AuditAction::Execute, record.dh,
            QStringLiteral("执行号%1，复核人%2，病人%3").arg(number, record.fhr, record.xm)};
}

bool fail(AppError* out, const AppError& error) {
    AppError ignored;
    if (gConn->inTransaction())
        gConn->rollbackTrans(&ignored);
    if (out)
        *out = error;
    return false;
}

// A failed execution leaves its row after the rollback, in a transaction of its own.
bool failExecution(const ExecutionRecord& record, AppError* out, const AppError& error) {
    fail(out, error);
    AuditEntry entry = auditEntry(record, record.zxdh);
    entry.action = AuditAction::ExecuteFailed;
    entry.detail += QStringLiteral("，") + error.description.left(200);
    AppError ignored; // the execution's own error is the one to tell
    (void)AuditTrail::appendAlone(entry, &ignored);
    return false;
}

} // namespace

bool ProposeExecutionNumber(QString* number, AppError* error) {
    number->clear();
    if (!gConn) {
        if (error)
            *error = {91, QStringLiteral("对象变量未设置"), QStringLiteral("GetNextNo")};
        return false;
    }
    QString proposal;
    AppError err;
    if (!ProposeNextNo(QStringLiteral("FYDH"), QStringLiteral("MZ_FYDJ"), QStringLiteral("FYRQ"), &proposal,
                       &err) ||
        !chooseNumber(proposal, number, &err)) {
        number->clear();
        if (error)
            *error = err;
        return false;
    }
    return true;
}

bool ExecuteDocument(const ExecutionRecord& record, QString* storedNumber, AppError* error,
                     CommitOutcome* inDoubt) {
    AppError err;
    if (inDoubt)
        *inDoubt = CommitOutcome::Committed;
    if (!gConn) {
        if (error)
            *error = {91, QStringLiteral("对象变量未设置"), QStringLiteral("ExecDJ")};
        return false;
    }
    // Without the write turn nothing was tried; asking for it again only to log would wait as long.
    if (!gConn->beginTrans(&err))
        return fail(error, err);
    YJGL_CRASH_POINT("execution:begun");
    QString number;
    if (!chooseNumber(record.zxdh, &number, &err))
        return failExecution(record, error, err);
    if (!gConn->execute(
            ExecutionSql::insertExecution(number, record.dh, record.zxr, record.fhr, record.dept, record.xm),
            &err))
        return failExecution(record, error, err);
    YJGL_CRASH_POINT("execution:inserted");
    if (!gConn->execute(ExecutionSql::finishExecution(record.dh, record.dept), &err))
        return failExecution(record, error, err);
    if (!AuditTrail::append(auditEntry(record, number), &err))
        return failExecution(record, error, err);
    YJGL_CRASH_POINT("execution:finished");
    if (!gConn->commitTrans(&err)) {
        if (err.number != DbError::BrokenLink)
            return failExecution(record, error, err);
        AppError settleError;
        const CommitOutcome outcome = SettleInDoubtCommit(record, number, &settleError);
        if (inDoubt)
            *inDoubt = outcome;
        if (outcome != CommitOutcome::Stored)
            return failExecution(record, error, err);
    }
    AuditTrail::committed();
    YJGL_CRASH_POINT("execution:committed");
    if (storedNumber)
        *storedNumber = number;
    return true;
}
