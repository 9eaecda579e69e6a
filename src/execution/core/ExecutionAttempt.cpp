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

Outcome Settle(bool executed, const QString& dh, const QStringList& pendingAfter) {
    if (executed)
        return Outcome::Executed;
    return CheckExecution(dh, pendingAfter, {true}) == ExecutionRefusal::NotListed ? Outcome::LeftList
                                                                                   : Outcome::Failed;
}

Outcome Execute(const ExecutionRecord& record, const QDate& from, const QDate& to, QString* storedNumber,
                AppError* error) {
    if (ExecuteDocument(record, storedNumber, error))
        return Outcome::Executed;
    QStringList after;
    AppError listError;
    if (!ReadPendingNumbers(record.dept, from, to, &after, &listError))
        return Outcome::Failed;
    return Settle(false, record.dh, after);
}

} // namespace ExecutionAttempt
