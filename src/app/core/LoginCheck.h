#pragma once

#include "common/core/AppError.h"
#include "db/Recordset.h"

#include <QString>
#include <QStringList>
#include <QVariant>

// Statement texts of the sign-in.
namespace LoginStatements {
QString userList();                                             // "select * from userdb "
QString password(const QString& user, const QString& password); // exact comparison
QString szsq(const QString& user);
QString moduleRight(const QString& group);
QString right(const QString& key, const QString& group); // any right key of QX_Temp2
QString serverTime();
} // namespace LoginStatements

// The typed password without its single quotes.
QString RemoveQuotes(const QString& password);
// Exact, case-sensitive membership.
bool ContainsUserExactly(const QStringList& users, const QString& user);
// The right is granted by true (-1 as a number) or the number 1.
bool GrantsModuleRight(const QVariant& qx);
// May the group of gUser enter this module ("YJXT_IN")? A failing query gives false and
// fills `error`.
[[nodiscard]] bool HasModuleRight(AppError* error = nullptr);
// The same test for any right key of QX_Temp2 ("YJXT_LOG" opens the audit trail's window).
[[nodiscard]] bool HasRight(const QString& key, AppError* error = nullptr);

// The user names of userdb in the order returned. Opens gConn when needed.
[[nodiscard]] bool LoadUserNames(QStringList* names, AppError* error);
// Reads the server's clock and lets Clock follow it; the computer's clock is left alone.
[[nodiscard]] bool FollowServerClock(AppError* error);
// The keyboard-layout handle stored in userdb.IME as a 32-bit integer; 0 when the stored
// number cannot be one.
qint32 ImeHandleFrom(double stored);
// gIme and gSearchType from the user's userdb row.
void ApplyUserPreferences(const Recordset& userRow);

// One login window's check of typed names and passwords, with its count of wrong
// passwords (a new window counts from 0). Shows nothing: the window shows the message that
// the outcome names.
class LoginCheck {
public:
    enum class Outcome { SignedIn, UnknownUser, WrongPassword, TooManyFailures, NoModuleRight, Failed };

    void setUsers(const QStringList& users) { m_users = users; }
    const QStringList& users() const { return m_users; }
    int failures() const { return m_failures; }

    // Steps up to the module right. On SignedIn gUser is filled (name, quote-free password,
    // group, SZSQ) and `userRow` holds the user's row; on Failed `error` says why, on
    // NoModuleRight it is set when the permission query itself failed.
    [[nodiscard]] Outcome check(const QString& user, const QString& password, RecordsetPtr* userRow,
                                AppError* error);

    static constexpr int AttemptLimit = 3;

private:
    QStringList m_users;
    qint16 m_failures = 0;
};
