#include "common/StatementMessages.h"

#include "common/core/MessageService.h"

bool OpenRs(RecordsetPtr& rs, const QString& sql) {
    AppError error;
    if (OpenRsQuiet(rs, sql, &error))
        return true;
    ShowErrorMessage(error);
    return false;
}

bool ExecSql(const QString& sql) {
    AppError error;
    if (ExecSqlQuiet(sql, &error))
        return true;
    ShowErrorMessage(error);
    return false;
}
