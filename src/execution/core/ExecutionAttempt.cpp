#include "execution/core/ExecutionAttempt.h"

namespace ExecutionAttempt {

QStringList NumbersOf(const QVector<PendingDocument>& documents) {
    QStringList numbers;
    numbers.reserve(documents.size());
    for (const PendingDocument& d : documents)
        numbers << d.dh;
    return numbers;
}

bool ReadPendingNumbers(const QString& dept, const QDate& from, const QDate& to, QStringList* numbers,
                        AppError* error) {
    QVector<PendingDocument> documents;
    if (!LoadPendingList(dept, from, to, &documents, error))
        return false;
    *numbers = NumbersOf(documents);
    return true;
}

Outcome Settle(bool executed, CommitOutcome commit, const QString& dh, const QStringList& pendingAfter) {
    if (executed)
        return commit == CommitOutcome::Stored ? Outcome::ExecutedInDoubt : Outcome::Executed;
    if (commit == CommitOutcome::NotStored)
        return Outcome::NotExecutedInDoubt;
    return CheckExecution(dh, pendingAfter, {true}) == ExecutionRefusal::NotListed ? Outcome::LeftList
                                                                                   : Outcome::Failed;
}

Outcome Execute(const ExecutionRecord& record, const QDate& from, const QDate& to, QString* storedNumber,
                AppError* error) {
    CommitOutcome commit = CommitOutcome::Committed;
    const bool executed = ExecuteDocument(record, storedNumber, error, &commit);
    if (executed || commit == CommitOutcome::NotStored)
        return Settle(executed, commit, record.dh, {});
    QStringList after;
    AppError listError;
    if (!ReadPendingNumbers(record.dept, from, to, &after, &listError))
        return Outcome::Failed;
    return Settle(false, commit, record.dh, after);
}

} // namespace ExecutionAttempt
