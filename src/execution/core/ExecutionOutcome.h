#pragma once

#include "common/core/AppError.h"

#include <QString>

struct ExecutionRecord;

// What became of an execution whose commit did not answer.
enum class CommitOutcome {
    Committed, // the commit answered: nothing in doubt
    Stored,    // the link broke during the commit, but the record is in the database
    NotStored, // the link broke during the commit and the record is not there
    Unknown    // the link broke and could not be made again: nobody can tell yet
};

// After a link lost during the commit: opens gConn again and looks for the execution record
// of the document, the department and the number. `error` receives why the link could not be
// made again or the lookup failed (the outcome is then Unknown).
CommitOutcome SettleInDoubtCommit(const ExecutionRecord& record, const QString& number, AppError* error);

// What the clerk is told about a settled commit ("Stored" or "NotStored").
QString InDoubtCommitText(CommitOutcome outcome, const QString& dh, const QString& zxdh);

// "执行成功。", and the number really stored when another workstation took the one shown.
QString ExecutionSuccessText(const QString& shown, const QString& stored);
