#pragma once

#include "common/core/AppError.h"
#include "db/Recordset.h"
#include "db/documents/DocumentHeader.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// The executing departments the chooser offers, in table order.
[[nodiscard]] bool LoadDepartmentNames(QStringList* names, AppError* error);

// What the pending-documents window reads from the database, without the window: the list,
// the auto-refresh switch, the printed marking, a typed number's lookup, a document's header
// and the checker names.

// One row of the pending list, as the list procedure gives it.
struct PendingDocument {
    QString dh;
    QString xm;
    QString lx;
    QVariant isPrint;
};

// The department's pending documents of the period, in the order of the result.
[[nodiscard]] bool LoadPendingList(const QString& dept, const QDate& from, const QDate& to,
                                   QVector<PendingDocument>* rows, AppError* error);

// Reads the pending list for a window that refreshes it again and again, and tells when the
// result is the one read last time: such a refresh reads nothing out of it.
class PendingListReader {
public:
    enum class Outcome { Failed, Read, Unchanged };
    // Read fills `rows`; Unchanged leaves them alone; Failed fills `error`.
    Outcome read(const QString& dept, const QDate& from, const QDate& to, QVector<PendingDocument>* rows,
                 AppError* error);
    // The caller does not show the last result as it was read.
    void forget() { m_last.reset(); }

private:
    RecordsetPtr m_last;
};

// Whether the configuration switches automatic refresh off (also when it cannot be read).
bool AutoRefreshConfiguredOff();

// Stores a listed document's printed marking; false with `error` filled after a failure.
[[nodiscard]] bool MarkPrinted(const QString& dh, const QString& lx, AppError* error);

// Whether the typed outpatient number is known to the department.
[[nodiscard]] bool FindPrescription(const QString& number, const QString& dept, bool* found, AppError* error);

// Every user name, in table order, for the checker menu.
[[nodiscard]] bool LoadCheckerNames(QStringList* names, AppError* error);
