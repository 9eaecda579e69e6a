#include "app/core/PasswordChange.h"

#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/StatementHelpers.h"

namespace {

QString currentPassword() {
    return gUser ? gUser->UserPassword : QString();
}

QString currentUserName() {
    return gUser ? gUser->GetUserName : QString();
}

void showFailure(const QString& description) {
    Messages::show(QStringLiteral("信息"), QStringLiteral("出错信息：") + description, MsgIcon::Critical);
}

} // namespace

bool UnlocksWorkstation(const QString& typed) {
    return typed == currentPassword();
}

QString PasswordStatements::change(const QString& newPassword, const QString& user) {
    return QStringLiteral("update  userdb set password=") + SqlText(newPassword) +
           QStringLiteral("where username=") + SqlText(user);
}

PasswordChange::Outcome PasswordChange::run(const QString& oldPassword, const QString& newPassword,
                                            const QString& newPassword2) {
    if (newPassword != newPassword2) {
        Messages::show(QStringLiteral("错误"), QStringLiteral("两次输入的密码不一至"), MsgIcon::Information);
        return Outcome::NewPasswordsDiffer;
    }
    // Sign-in drops quotes from what is typed, so such a password could never be used.
    if (newPassword.contains(QLatin1Char('\''))) {
        Messages::show(QStringLiteral("错误"), QStringLiteral("新密码中不能有单引号(')，请重新输入"),
                       MsgIcon::Exclamation);
        return Outcome::QuoteInNewPassword;
    }
    if (!Messages::confirmYesNo(QStringLiteral("提示"), QStringLiteral("你真的要更改密码吗？"), true))
        return Outcome::Declined;
    if (oldPassword != currentPassword()) {
        Messages::show(QStringLiteral("错误"), QStringLiteral("旧密码输入错误"), MsgIcon::Exclamation);
        return Outcome::WrongOldPassword;
    }
    if (!gConn) {
        showFailure(QStringLiteral("数据库未连接"));
        return Outcome::Failed;
    }
    AppError error;
    if (!gConn->execute(PasswordStatements::change(newPassword, currentUserName()), &error)) {
        showFailure(error.description);
        return Outcome::Failed;
    }
    // The lock screen and the next change must not go on accepting the old password.
    currentUser().UserPassword = newPassword;
    Messages::show(QStringLiteral("信息"), QStringLiteral("密码更改成功！"), MsgIcon::Information);
    return Outcome::Changed;
}
