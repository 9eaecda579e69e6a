#include "db/SqlServerWriteTurn.h"

#include "db/DbErrors.h"

namespace SqlServerWriteTurn {

QString statement(int lockWaitMs) {
    return QStringLiteral("DECLARE @yjgl_turn int; EXEC @yjgl_turn = sp_getapplock @Resource = N'YJGL', "
                          "@LockMode = 'Exclusive', @LockOwner = 'Transaction', @LockTimeout = %1; "
                          "SELECT @yjgl_turn AS yjgl_turn")
        .arg(qMax(1, lockWaitMs));
}

bool granted(const Recordset* answer, AppError* error) {
    const QString source = QStringLiteral("sp_getapplock");
    bool ok = false;
    const int code = answer && answer->RecordCount() > 0 && answer->fieldCount() > 0
                         ? Recordset::asText(answer->rows().first().first()).toInt(&ok)
                         : 0;
    if (ok && code >= 0)
        return true;
    if (!ok) {
        *error =
            DbError::make(DbError::StatementFailed, QStringLiteral("数据库没有回答写入顺序的请求。"), source);
    } else if (code == -1) {
        *error = DbError::make(
            DbError::LockTimeout,
            QStringLiteral("数据库正被其他工作站锁定，等待超时（sp_getapplock 返回 -1）。"), source);
    } else if (code == -3) {
        *error =
            DbError::make(DbError::LockTimeout,
                          QStringLiteral("数据库正被其他工作站锁定，本次操作被选为死锁牺牲品（sp_getapplock "
                                         "返回 -3），请重试。"),
                          source);
    } else {
        *error =
            DbError::make(DbError::StatementFailed,
                          QStringLiteral("无法取得写入顺序（sp_getapplock 返回 %1）。").arg(code), source);
    }
    error->nativeCode = ok ? QString::number(code) : QString();
    return false;
}

} // namespace SqlServerWriteTurn
