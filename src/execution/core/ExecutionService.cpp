#include "execution/core/ExecutionService.h"

#include "common/core/Clock.h"
#include "common/core/CrashPoint.h"
#include "db/Connection.h"
#include "db/DbErrors.h"
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

bool fail(AppError* out, const AppError& error) {
    AppError ignored;
    if (gConn->inTransaction())
        gConn->rollbackTrans(&ignored);
    if (out)
        *out = error;
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
    if (!gConn->beginTrans(&err))
        return fail(error, err);
    YJGL_CRASH_POINT("execution:begun");
    QString number;
    if (!chooseNumber(record.zxdh, &number, &err))
        return fail(error, err);
    if (!gConn->execute(
            ExecutionSql::insertExecution(number, record.dh, record.zxr, record.fhr, record.dept, record.xm),
            &err))
        return fail(error, err);
    YJGL_CRASH_POINT("execution:inserted");
    if (!gConn->execute(ExecutionSql::finishExecution(record.dh, record.dept), &err))
        return fail(error, err);
    YJGL_CRASH_POINT("execution:finished");
    if (!gConn->commitTrans(&err)) {
        if (err.number != DbError::BrokenLink)
            return fail(error, err);
        AppError settleError;
        const CommitOutcome outcome = SettleInDoubtCommit(record, number, &settleError);
        if (inDoubt)
            *inDoubt = outcome;
        if (outcome != CommitOutcome::Stored)
            return fail(error, err);
    }
    YJGL_CRASH_POINT("execution:committed");
    if (storedNumber)
        *storedNumber = number;
    return true;
}
