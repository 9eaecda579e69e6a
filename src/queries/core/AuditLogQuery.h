#pragma once

#include "common/core/AppError.h"
#include "common/core/TextRow.h"
#include "queries/core/QueryRows.h"

#include <QDate>

// What the window 操作日志查询 reads from the audit trail, without the window.

// The conditions as the window shows them; "全部" or an empty text matches everything, a
// document number matches as a prefix.
struct AuditLogConditions {
    QDate from, to;
    QString user;
    QString action;
    QString number;
};

QString AuditLogStatement(const AuditLogConditions& c);
// Time, user, department, workstation, action, document number, detail, sequence number.
QVector<QueryRows::Column> AuditLogColumns();
// Every row of the conditions, oldest first.
[[nodiscard]] bool LoadAuditLog(const AuditLogConditions& c, QVector<TextRow>* rows, AppError* error);
