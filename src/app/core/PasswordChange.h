#pragma once

#include <QString>

// The lock screen and the password change compare what is typed with the password of gUser,
// never with the database.

// Does `typed` unlock the workstation? Exact, case-sensitive.
bool UnlocksWorkstation(const QString& typed);

namespace PasswordStatements {
// "update  userdb set password='{new}'where username like'{user}'"
QString change(const QString& newPassword, const QString& user);
} // namespace PasswordStatements

#include "common/core/AppError.h"

// "更改密码(&C)" in two steps around the window's confirmation question. Nothing here shows a
// box: the window shows the message that each outcome names.
class PasswordChange {
public:
    enum class Outcome {
        Changed,
        NewPasswordsDiffer, // before the question
        QuoteInNewPassword, // before the question
        WrongOldPassword,   // after the question
        Failed,             // the update failed; nothing changed; `error` says why
    };

    // The checks that run before the question; Changed means "ask".
    [[nodiscard]] static Outcome checkNewPassword(const QString& newPassword, const QString& newPassword2);
    // After a Yes: the old password, then the update. On Changed the new password is the one
    // of gUser from now on.
    [[nodiscard]] static Outcome apply(const QString& oldPassword, const QString& newPassword,
                                       AppError* error);
};
