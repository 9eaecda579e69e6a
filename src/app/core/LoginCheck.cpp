#include "app/core/LoginCheck.h"

#include "common/core/Clock.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/StatementHelpers.h"
#include "db/audit/AuditTrail.h"

#include <limits>

namespace LoginStatements {

QString userList() {
    return QStringLiteral("select * from userdb ");
}

QString password(const QString& user, const QString& password) {
    // "=" rather than LIKE: a typed "%" must not match every password.
    return QStringLiteral("select * from userdb where username = ") + SqlText(user) +
           QStringLiteral(" and password = ") + SqlText(password);
}

QString szsq(const QString& user) {
    return QStringLiteral("select SQBH from Yf_sq where username like'") + SqlEscape(user) +
           QStringLiteral("'");
}

QString moduleRight(const QString& group) {
    return right(QStringLiteral("YJXT_IN"), group);
}

QString right(const QString& key, const QString& group) {
    return QStringLiteral("Select QX From QX_Temp2 Where MoudelKey='") + key +
           QStringLiteral("' and Groupname=") + SqlText(group);
}

QString serverTime() {
    return QStringLiteral("SELECT top 1 GETDATE() FROM sysobjects");
}

} // namespace LoginStatements

QString RemoveQuotes(const QString& password) {
    QString out = password;
    out.remove(QLatin1Char('\''));
    return out;
}

bool ContainsUserExactly(const QStringList& users, const QString& user) {
    return users.contains(user, Qt::CaseSensitive);
}

bool GrantsModuleRight(const QVariant& qx) {
    if (Recordset::isNullValue(qx))
        return false;
    if (qx.typeId() == QMetaType::Bool)
        return qx.toBool();
    if (qx.typeId() == QMetaType::QString) {
        const QString text = qx.toString().trimmed();
        if (text.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
            return true;
        bool ok = false;
        const double n = text.toDouble(&ok);
        return ok && (n == 1 || n == -1);
    }
    bool ok = false;
    const double n = qx.toDouble(&ok);
    return ok && (n == 1 || n == -1);
}

bool HasModuleRight(AppError* error) {
    return HasRight(QStringLiteral("YJXT_IN"), error);
}

bool HasRight(const QString& key, AppError* error) {
    const QString group = gUser ? gUser->GetGroup : QString();
    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, LoginStatements::right(key, group), error) || !rs)
        return false;
    bool granted = false;
    if (rs->RecordCount() > 0) {
        rs->MoveFirst();
        granted = GrantsModuleRight(rs->value(0));
    }
    CloseRs(rs);
    return granted;
}

namespace {

bool ensureOpen(AppError* error) {
    if (!gConn)
        resetGlobalConnection(gConnStr);
    return gConn->isOpen() || gConn->open(error);
}

} // namespace

bool LoadUserNames(QStringList* names, AppError* error) {
    if (!ensureOpen(error))
        return false;
    const RecordsetPtr rs = gConn->execute(LoginStatements::userList(), error);
    if (!rs)
        return false;
    QStringList out;
    out.reserve(rs->RecordCount());
    // The column is found once, not on every row; a missing one reads as empty names.
    const int username = rs->fieldIndex(QStringLiteral("username"));
    for (rs->MoveFirst(); !rs->isEOF(); rs->MoveNext())
        out << rs->text(username);
    if (names)
        *names = out;
    return true;
}

bool FollowServerClock(AppError* error) {
    if (!ensureOpen(error))
        return false;
    const RecordsetPtr rs = gConn->execute(LoginStatements::serverTime(), error);
    if (!rs)
        return false;
    if (rs->RecordCount() < 1) {
        if (error) {
            error->number = 3021;
            error->description = QStringLiteral("读取服务器时间时没有得到记录");
            error->source = QStringLiteral("password");
        }
        return false;
    }
    rs->MoveFirst();
    const QDateTime serverNow = rs->dateTime(0);
    if (!serverNow.isValid()) {
        if (error) {
            error->number = 13;
            error->description = QStringLiteral("服务器时间无法识别：%1").arg(rs->text(0));
            error->source = QStringLiteral("password");
        }
        return false;
    }
    Clock::followServerTime(serverNow);
    return true;
}

qint32 ImeHandleFrom(double stored) {
    // A handle written unsigned by another program ("3760195588") is the same 32 bits as
    // its signed form; anything outside 32 bits is no handle at all.
    if (!(stored >= double(std::numeric_limits<qint32>::min()) &&
          stored <= double(std::numeric_limits<quint32>::max())))
        return 0;
    return qint32(quint32(qint64(stored)));
}

void ApplyUserPreferences(const Recordset& userRow) {
    gIme = ImeHandleFrom(userRow.number(QStringLiteral("IME")));
    gSearchType = userRow.text(QStringLiteral("SearchType"));
}

LoginCheck::Outcome LoginCheck::check(const QString& user, const QString& typedPassword,
                                      RecordsetPtr* userRow, AppError* error) {
    const QString password = RemoveQuotes(typedPassword);
    if (!ContainsUserExactly(m_users, user)) {
        AuditTrail::record({user, gExecDept, AuditAction::SignInFailed, {}, QStringLiteral("该用户不存在")});
        return Outcome::UnknownUser;
    }
    if (!ensureOpen(error))
        return Outcome::Failed;
    RecordsetPtr rs = gConn->execute(LoginStatements::password(user, password), error);
    if (!rs)
        return Outcome::Failed;
    if (rs->RecordCount() < 1) {
        ++m_failures;
        AuditTrail::record({user,
                            gExecDept,
                            AuditAction::SignInFailed,
                            {},
                            QStringLiteral("密码错误（第%1次）").arg(m_failures)});
        return m_failures >= AttemptLimit ? Outcome::TooManyFailures : Outcome::WrongPassword;
    }
    rs->MoveFirst();
    User_qx& u = currentUser();
    u.UserPassword = password;
    u.GetUserName = user;
    u.GetGroup = rs->text(QStringLiteral("group_name"));

    // A user without a Yf_sq row has none; a switch of user must not keep the last one's.
    u.SZSQ.clear();
    RecordsetPtr szsq;
    AppError szsqError;
    if (OpenRsQuiet(szsq, LoginStatements::szsq(u.GetUserName), &szsqError) && szsq &&
        szsq->RecordCount() > 0) {
        szsq->MoveFirst();
        u.SZSQ = szsq->text(0);
    } else if (szsqError.isSet()) {
        if (error)
            *error = szsqError;
        return Outcome::Failed;
    }
    CloseRs(szsq);

    // A failing permission query refuses the right as well; `error` then says why.
    if (!HasModuleRight(error)) {
        AuditTrail::record(
            {user, gExecDept, AuditAction::SignInFailed, {}, QStringLiteral("没有进入医技管理的权限")});
        return Outcome::NoModuleRight;
    }
    // The log window's own right; a failing query only leaves it closed.
    AppError logRightError;
    u.YJXT_LOG = HasRight(QStringLiteral("YJXT_LOG"), &logRightError);
    if (userRow)
        *userRow = rs;
    return Outcome::SignedIn;
}
