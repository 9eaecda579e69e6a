#pragma once

#include "common/core/AppError.h"

#include <QString>
#include <QVector>

// What a document's printed slip shows.
struct SlipItem {
    QString code, name, spec, unit, quantity, price, amount;
};

struct SlipDocument {
    QString unitName;
    QString dh;
    bool inpatient = false;
    QString execNo; // the department's execution number; empty while not executed
    QString xm, xb, nl, kdys, kdsj, zyh, cwh;
    QVector<SlipItem> items;
    QString total; // "0.00"
    QString executor, checker;
    QString printTime;
    // A voided execution: the slip says so and carries no barcode, so that nobody takes a
    // reprint for a valid order or scans it.
    bool voided = false;
    QString voidedBy, voidedAt; // "yyyy-MM-dd HH:mm"
};

// Which document, for which department, and who executes it when it is not executed yet.
struct SlipRequest {
    QString dh;
    QString dept;           // empty: every item of the document, no execution number
    bool inpatient = false; // where to look first; the other table is tried when it has no row
    QString executor;
    QString checker;
};

namespace SlipSql {
QString items(const QString& dh, const QString& dept, bool inpatient);
// The document's execution record for `dept` (any department when empty): a valid one before a
// voided one, the latest first.
QString execution(const QString& dh, const QString& dept);
} // namespace SlipSql

// Reads the slip from the database. False with `error` when the document does not exist or a
// statement fails.
[[nodiscard]] bool LoadSlip(const SlipRequest& request, SlipDocument* slip, AppError* error);

// "门诊处方单" or "住院处方单".
QString SlipTitle(bool inpatient);

// The slip font size of the workstation: ORVA.ini's "字号" when above 0, else 9.
int SlipFontSize();
// The workstation's slip printer as ORVA.ini names it (may be empty or no longer installed).
QString SlipPrinterName();
