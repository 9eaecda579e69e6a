#pragma once

#include "common/core/AppError.h"

#include <QDate>
#include <QStringList>
#include <QVector>

// What the voiding window reads from the database, without the window.

// The department's executed, not voided documents whose patient name matches `namePattern`:
// one row of number and name each, in the order of the result.
[[nodiscard]] bool LoadVoidableList(const QString& dept, const QString& namePattern, const QDate& from,
                                    const QDate& to, QVector<QStringList>* rows, AppError* error);

// The document's items that the department executed, as the item grid shows them (group,
// code, name, strength and pack size, unit, quantity, unit price "0.000", amount "0.00"), and the
// sum of the amounts.
[[nodiscard]] bool LoadVoidItems(const QString& dept, const QString& dh, QVector<QStringList>* rows,
                                 double* total, AppError* error);
