#pragma once

#include "common/core/AppError.h"
#include "db/Recordset.h"
#include "db/audit/AuditChain.h"

#include <QString>
#include <QStringList>

#include <functional>

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
inline const QString SignOut = QStringLiteral("退出系统");
inline const QString SwitchUser = QStringLiteral("切换用户");
inline const QString Lock = QStringLiteral("锁定");
inline const QString Unlock = QStringLiteral("解锁");
inline const QString Reprint = QStringLiteral("补打处方");
inline const QString SlipPrint = QStringLiteral("打印处方单");
inline const QString GridPrint = QStringLiteral("打印列表");
inline const QString GridExport = QStringLiteral("导出列表");
inline const QString PasswordChange = QStringLiteral("更改密码");
inline const QString DictionaryEdit = QStringLiteral("字典修改");
inline const QString LinkEdit = QStringLiteral("字典关联修改");
inline const QString ConnectionSettings = QStringLiteral("连接设置");
// A failed action's row carries its name followed by this.
inline const QString FailedSuffix = QStringLiteral("失败");
// Every action's name, in the order the log window offers them.
QStringList all();
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
// The row `entry` makes after the chain's head (number and digest; 0 and empty on an empty trail):
// the time and workstation added, the fields cut to their columns, the digest taken.
AuditRow nextRow(const AuditEntry& entry, qint64 headXh, const QString& headZy);
// For a failed action, after its rollback: the row in a transaction of its own.
[[nodiscard]] bool appendAlone(const AuditEntry& entry, AppError* error);
// After the caller's commit: the workstation keeps the last row it wrote in its own folder.
void committed();

// An entry of the signed-in user and the executing department.
AuditEntry entryFor(const QString& action, const QString& dh = {}, const QString& detail = {});
// The row of an action that changed nothing in the database (sign-in, lock, print, export):
// written on its own. A row that cannot be written is left out: the action has happened, and
// the trail is a witness, never a gate.
void record(const AuditEntry& entry);
// The row of an action taken while the program may not be connected (a changed connection
// setting): written before the next row of this run.
void recordLater(const AuditEntry& entry);
// A change of the database: `work` and its row in one transaction (inside the caller's when
// one is open). When `work` or the row fails, the change is rolled back and the failure gets
// its row after the rollback. Where the trail is off, `work` runs alone as it always did.
[[nodiscard]] bool withRow(const AuditEntry& entry, const std::function<bool(AppError*)>& work,
                           AppError* error);

// The file in the program folder that holds the last (number, digest) this workstation wrote
// to the database of gConn (one file per database, so that a workstation moved to another
// database never mistakes that one's rows for its own).
QString localMarkPath();
// At the start of a run, once signed in: what the user is to be told about the trail (it is
// off; the chain no longer holds this workstation's last row), empty when nothing.
QString startNotice();
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
