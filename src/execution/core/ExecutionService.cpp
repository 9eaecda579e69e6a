#include "execution/core/ExecutionService.h"

#include "common/core/Clock.h"
#include "common/core/CrashPoint.h"
#include "db/Connection.h"
#include "db/DbErrors.h"
#include "db/audit/AuditTrail.h"
#include "execution/core/DayNumber.h"
#include "execution/core/ExecutionStatements.h"

#include <atomic>
#include <memory>

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

namespace {

// How far an execution's transaction came.
enum class Reached { Nothing, Begun, Committing, Committed };

// One execution's transaction, run as one job on the connection's thread; it owns its values,
// since the caller may go on without it when the server does not answer.
struct ExecutionSteps {
    ExecutionRecord record;
    QString number;
    AppError error;
    std::atomic<Reached> reached{Reached::Nothing};

    void run() {
        if (!gConn->beginTrans(&error))
            return;
        reached = Reached::Begun;
        YJGL_CRASH_POINT("execution:begun");
        if (!chooseNumber(record.zxdh, &number, &error) ||
            !gConn->execute(ExecutionSql::insertExecution(number, record.dh, record.zxr, record.fhr,
                                                          record.dept, record.xm),
                            &error))
            return;
        YJGL_CRASH_POINT("execution:inserted");
        if (!gConn->execute(ExecutionSql::finishExecution(record.dh, record.dept), &error) ||
            !AuditTrail::append(auditEntry(record, number), &error))
            return;
        YJGL_CRASH_POINT("execution:finished");
        reached = Reached::Committing;
        if (gConn->commitTrans(&error))
            reached = Reached::Committed;
    }
};

} // namespace

bool ExecuteDocument(const ExecutionRecord& record, QString* storedNumber, AppError* error,
                     CommitOutcome* inDoubt) {
    if (inDoubt)
        *inDoubt = CommitOutcome::Committed;
    if (!gConn) {
        if (error)
            *error = {91, QStringLiteral("对象变量未设置"), QStringLiteral("ExecDJ")};
        return false;
    }
    // The statements follow each other on the connection's thread without a hand-over each.
    auto steps = std::make_shared<ExecutionSteps>();
    steps->record = record;
    AppError noAnswer;
    const bool answered = gConn->runTogether([steps] { steps->run(); }, &noAnswer);
    // Without an answer the steps are given up where they were; only what they left before the
    // commit is read.
    AppError err = answered ? steps->error : noAnswer;
    switch (steps->reached.load()) {
    case Reached::Nothing:
        // Without the write turn nothing was tried; asking for it again only to log would wait as long.
        return fail(error, err);
    case Reached::Begun:
        return failExecution(record, error, err);
    case Reached::Committing:
    case Reached::Committed:
        break;
    }
    if (steps->reached != Reached::Committed || !answered) {
        if (err.number != DbError::BrokenLink)
            return failExecution(record, error, err);
        AppError settleError;
        const CommitOutcome outcome = SettleInDoubtCommit(record, steps->number, &settleError);
        if (inDoubt)
            *inDoubt = outcome;
        if (outcome != CommitOutcome::Stored)
            return failExecution(record, error, err);
    }
    AuditTrail::committed();
    YJGL_CRASH_POINT("execution:committed");
    if (storedNumber)
        *storedNumber = steps->number;
    return true;
}
