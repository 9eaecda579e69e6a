#include "app/core/PasswordChange.h"

#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/StatementHelpers.h"
#include "db/audit/AuditTrail.h"

namespace {

QString currentPassword() {
    return gUser ? gUser->UserPassword : QString();
}

QString currentUserName() {
    return gUser ? gUser->GetUserName : QString();
}

} // namespace

bool UnlocksWorkstation(const QString& typed) {
    return typed == currentPassword();
}

QString PasswordStatements::change(const QString& newPassword, const QString& user) {
    return QStringLiteral("update  userdb set password=") + SqlText(newPassword) +
           QStringLiteral("where username=") + SqlText(user);
}

PasswordChange::Outcome PasswordChange::checkNewPassword(const QString& newPassword,
                                                         const QString& newPassword2) {
    if (newPassword != newPassword2)
        return Outcome::NewPasswordsDiffer;
    // Sign-in drops quotes from what is typed, so such a password could never be used.
    if (newPassword.contains(QLatin1Char('\'')))
        return Outcome::QuoteInNewPassword;
    return Outcome::Changed;
}

PasswordChange::Outcome PasswordChange::apply(const QString& oldPassword, const QString& newPassword,
                                              AppError* error) {
    if (oldPassword != currentPassword())
        return Outcome::WrongOldPassword;
    AppError failure;
    if (!gConn) {
        failure.description = QStringLiteral("数据库未连接");
        failure.source = QStringLiteral("ChangPassword");
    } else if (AuditTrail::withRow(
                   AuditTrail::entryFor(AuditAction::PasswordChange),
                   [&](AppError* e) {
                       return gConn->execute(PasswordStatements::change(newPassword, currentUserName()), e) !=
                              nullptr;
                   },
                   &failure)) {
        // The lock screen and the next change must not go on accepting the old password.
        currentUser().UserPassword = newPassword;
        return Outcome::Changed;
    }
    if (error)
        *error = failure;
    return Outcome::Failed;
}
