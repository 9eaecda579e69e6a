#pragma once

#include "common/core/AppError.h"
#include "execution/core/ExecutionOutcome.h"
#include "execution/core/ExecutionRules.h"
#include "execution/core/ExecutionService.h"
#include "execution/core/PendingDocuments.h"

#include <QDate>
#include <QStringList>
#include <QVector>

// The steps of one execution attempt, each callable on its own: the pending window makes them
// around its confirmation question (refresh, check, ask, execute, refresh again), and every
// other caller that executes as a clerk would makes the same calls. The database steps touch
// no window, so that they can run away from the window's thread.
namespace ExecutionAttempt {

// Step 1 for a caller without a list of its own: the numbers of the department's pending
// documents of the period, as the database holds them now.
[[nodiscard]] bool ReadPendingNumbers(const QString& dept, const QDate& from, const QDate& to,
                                      QStringList* numbers, AppError* error);
QStringList NumbersOf(const QVector<PendingDocument>& documents);

// Steps 2 to 4: CheckExecution (ExecutionRules.h) on the refreshed list.

enum class Outcome {
    Executed,
    ExecutedInDoubt,    // the link broke during the commit, and the record was found stored
    NotExecutedInDoubt, // the link broke during the commit, and the record is not there
    LeftList,           // failed because another workstation executed it meanwhile: it is no longer pending
    Failed,             // the error stands; nothing was written
};

// What an execution that ran means, told by its commit and the pending list read again after it.
Outcome Settle(bool executed, CommitOutcome commit, const QString& dh, const QStringList& pendingAfter);

// The whole database part for a caller without a window: executes, and after a failure reads
// the list again to tell the two failures apart.
Outcome Execute(const ExecutionRecord& record, const QDate& from, const QDate& to, QString* storedNumber,
                AppError* error);

} // namespace ExecutionAttempt
