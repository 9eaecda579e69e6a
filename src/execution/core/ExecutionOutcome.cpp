#include "execution/core/ExecutionOutcome.h"

#include "db/Connection.h"
#include "execution/core/ExecutionService.h"
#include "execution/core/ExecutionStatements.h"

CommitOutcome SettleInDoubtCommit(const ExecutionRecord& record, const QString& number, AppError* error) {
    AppError failure;
    if (!gConn) {
        failure = {91, QStringLiteral("对象变量未设置"), QStringLiteral("ExecDJ")};
        if (error)
            *error = failure;
        return CommitOutcome::Unknown;
    }
    // A new session sees only what the server kept: the old one may still hold the transaction.
    gConn->close();
    RecordsetPtr found;
    if (!gConn->open(&failure) ||
        !(found = gConn->execute(ExecutionSql::storedExecution(record.dh, record.dept, number), &failure))) {
        if (error)
            *error = failure;
        return CommitOutcome::Unknown;
    }
    return found->RecordCount() > 0 ? CommitOutcome::Stored : CommitOutcome::NotStored;
}

QString InDoubtCommitText(CommitOutcome outcome, const QString& dh, const QString& zxdh) {
    if (outcome == CommitOutcome::Stored)
        return QStringLiteral("与数据库的连接在提交时中断，单据%1已经执行，执行单号%2。").arg(dh, zxdh);
    return QStringLiteral("与数据库的连接在提交时中断，单据%1没有执行，请重新执行。").arg(dh);
}

QString ExecutionSuccessText(const QString& shown, const QString& stored) {
    if (shown.isEmpty() || stored.isEmpty() || shown == stored)
        return QStringLiteral("执行成功。");
    return QStringLiteral("执行成功。执行单号为%1（%2已被其他工作站使用）。").arg(stored, shown);
}
