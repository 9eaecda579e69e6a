#pragma once

#include "common/core/AppError.h"
#include "execution/core/ExecutionOutcome.h"

#include <QString>

// What one execution stores: the values as the window shows them at that moment.
struct ExecutionRecord {
    QString zxdh; // execution number shown after "No:"
    QString dh;
    QString zxr;  // executor
    QString fhr;  // checker
    QString dept; // executing department
    QString xm;   // patient name
};

// The execution number to show for the next execution: the day's proposal of the dispensing
// numbers, or, when an execution has stored that one already, the next number free in both
// tables. The execution stores exactly this number unless another workstation takes it first.
bool ProposeExecutionNumber(QString* number, AppError* error);

// Stores one execution on gConn: the MZ_YJZX row and "Exec P_YJZX" in one transaction.
// The shown number is kept unless it is empty or already stored; then the next free number
// of the day (after the highest in MZ_YJZX and MZ_FYDJ) is taken. `storedNumber` receives
// the number written. On any failure the transaction is rolled back and `error` is filled.
// When the link breaks during the commit, the connection is made again and the record looked
// for: `inDoubt` then tells what was found (a record found counts as success).
bool ExecuteDocument(const ExecutionRecord& record, QString* storedNumber, AppError* error,
                     CommitOutcome* inDoubt = nullptr);
