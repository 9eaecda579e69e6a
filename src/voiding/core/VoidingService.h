#pragma once

#include "common/core/AppError.h"

#include <QString>
#include <QStringList>

// Why the void command stops before it asks.
enum class VoidRefusal { None, NothingSelected, NotListed };

// The checks of the void command, in order: a number is shown, and the list as last loaded
// holds it (a number typed by hand or voided meanwhile is not listed).
VoidRefusal CheckVoid(const QString& shownDH, const QStringList& listedDH);
QString VoidRefusalText(VoidRefusal refusal);
QString ConfirmVoidText(const QString& patientName);

enum class VoidOutcome {
    Voided,
    AlreadyVoided, // another workstation voided it since the list was loaded; nothing written
    Failed,        // a statement or the transaction failed; nothing written, `error` says why
};

// Voids the department's execution record of the document and marks the department's items
// returned, in one transaction on gConn. When the link breaks during the commit, the record is
// looked up on a new session: found voided by the user, the void counts as done.
[[nodiscard]] VoidOutcome VoidDocument(const QString& dh, const QString& dept, const QString& user,
                                       AppError* error);

// After the link broke during the commit of a void: whether the server kept it, asked on a new
// session (the old one may still hold the transaction). False with `error` set when nobody can
// tell.
[[nodiscard]] bool VoidWasStored(const QString& dh, const QString& dept, const QString& user,
                                 AppError* error);
