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

// "更改密码(&C)": the checks in their order, the question, the update, and the messages of
// each step.
class PasswordChange {
public:
    enum class Outcome {
        Changed,
        NewPasswordsDiffer, // nothing asked
        QuoteInNewPassword, // nothing asked
        Declined,           // the question was answered No
        WrongOldPassword,   // after the question
        Failed,             // the update failed; nothing changed
    };

    // On Changed the new password is the one of gUser from now on.
    static Outcome run(const QString& oldPassword, const QString& newPassword, const QString& newPassword2);
};
