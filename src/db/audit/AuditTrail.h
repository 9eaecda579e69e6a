#pragma once

#include "common/core/AppError.h"
#include "db/Recordset.h"
#include "db/audit/AuditChain.h"

#include <QString>

// One action as the acting routine tells it; time, workstation, number and digests are added
// when the row is written.
struct AuditEntry {
    QString user;
    QString dept;
    QString action; // one of the names in AuditAction
    QString dh;     // document number, where there is one
    QString detail;
};

// The actions' names as the trail stores them.
namespace AuditAction {
inline const QString Execute = QStringLiteral("执行");
inline const QString ExecuteFailed = QStringLiteral("执行失败");
inline const QString Void = QStringLiteral("作废");
inline const QString VoidFailed = QStringLiteral("作废失败");
inline const QString SignIn = QStringLiteral("登录");
inline const QString SignInFailed = QStringLiteral("登录失败");
} // namespace AuditAction

// The audit trail YJGL_LOG on gConn. A database without the table (one made before the trail
// existed) works as before: nothing is written, and the trail says once per run that it is off.
namespace AuditTrail {

// Whether gConn's database holds the table; asked once per connection and remembered.
bool isOn();
// True once per run when the table is missing: the caller then tells the user.
bool takeOffNotice();
QString offNotice();

// Appends the row inside the caller's open transaction (whose write turn keeps writers in
// order); nothing when the trail is off. A failure fails the caller's transaction.
[[nodiscard]] bool append(const AuditEntry& entry, AppError* error);
// For a failed action, after its rollback: the row in a transaction of its own.
[[nodiscard]] bool appendAlone(const AuditEntry& entry, AppError* error);
// After the caller's commit: the workstation keeps the last row it wrote in its own folder.
void committed();

// The file in the program folder that holds the last (number, digest) this workstation wrote.
QString localMarkPath();
// Whether the chain still holds the workstation's last row; true when there is none to check.
// False with `problem` filled when it does not, or with only `error` when asking failed.
bool checkLocalMark(QString* problem, AppError* error);

// Walks the whole chain on gConn page by page into `walker`; false with `error` when a
// statement fails (a fault of the chain is the walker's to tell).
bool walk(AuditChain::Walker* walker, AppError* error);
// The row at the recordset's position (columns as AuditSql selects them).
AuditRow rowAt(const Recordset& rs);

// This computer's name, as the rows record it.
QString workstation();

// The text form of a time read back from any engine ("yyyy-MM-dd HH:mm:ss").
QString timeText(const QVariant& value);

} // namespace AuditTrail
