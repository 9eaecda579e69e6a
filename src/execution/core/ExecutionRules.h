#pragma once

#include "db/documents/DocumentKind.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// Small decisions of the pending-documents window, kept apart from the window so that
// they can be checked one by one.

// Automatic refresh is off when ZDFY is set, and also when it cannot be read at all.
// A row with a null value leaves it on.
bool AutoRefreshSwitchedOff(bool readOk, const QVariant& value);

// Whether a listed document gets its printed marking while auto-print is ticked.
// Inpatient: IsPrint null or false. Outpatient: only a null IsPrint (a stored false is
// left alone; other programs read that distinction).
bool NeedsPrintedMark(const QString& lx, const QVariant& isPrint);

struct PendingCounts {
    int outpatient = 0;
    int inpatient = 0;
    void add(const QString& lx) {
        if (IsInpatient(lx))
            ++inpatient;
        else
            ++outpatient;
    }
    QString outpatientText() const;
    QString inpatientText() const;
};

// Why an execution attempt stops before the confirmation.
enum class ExecutionRefusal { None, NoDocument, NotListed, NoItemTicked };

// The checks of an execution attempt in their order: a document is chosen, it is still in
// the (just refreshed) pending list, and at least one item is ticked. Inpatient documents
// list no items here, so the tick check does not apply to them; they are turned away after
// the confirmation.
ExecutionRefusal CheckExecution(const QString& dh, const QStringList& listedDh, const QList<bool>& ticks,
                                bool inpatient = false);
QString RefusalText(ExecutionRefusal refusal);
QString ConfirmExecutionText(const QString& patientName);
// Shown when an inpatient document has passed the confirmation.
QString InpatientNotExecutedText();
