#include "execution/core/ExecutionStatements.h"

#include "db/StatementHelpers.h"

namespace ExecutionSql {

namespace {
QString day(const QDate& d) {
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}
} // namespace

QString departmentList() {
    return QStringLiteral("Select DMMC FROM CS WHERE ControlID Like'ZXKS'");
}

QString autoRefreshConfig() {
    return QStringLiteral("select Item_Value from QKZL_CONFIG Where Item_Name Like'ZDFY'");
}

QString pendingList(const QString& dept, const QDate& from, const QDate& to) {
    return QStringLiteral("exec YJ_List ") + SqlText(dept) + QLatin1Char(',') +
           SqlText(day(from) + QStringLiteral(" 00:00:00")) + QLatin1Char(',') +
           SqlText(day(to) + QStringLiteral(" 23:59:59"));
}

QString markPrinted(const QString& dh, bool inpatient) {
    return (inpatient ? QStringLiteral("Update ZY_KFDJ SET Isprint=1 Where DH Like")
                      : QStringLiteral("Update Mz_KFDJ SET Isprint=1 Where DH Like")) +
           SqlText(dh);
}

QString prescriptionLookup(const QString& number, const QString& dept) {
    return QStringLiteral("Exec SP_MZ_CF ") + SqlText(number) + QLatin1Char(',') + SqlText(dept);
}

QString users() {
    return QStringLiteral("select * from userdb");
}

QString insertExecution(const QString& zxdh, const QString& dh, const QString& zxr, const QString& fhr,
                        const QString& dept, const QString& xm) {
    return QStringLiteral("Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM) Values(") + SqlText(zxdh) +
           QLatin1Char(',') + SqlText(dh) + QLatin1Char(',') + SqlText(zxr) + QLatin1Char(',') +
           SqlText(fhr) + QLatin1Char(',') + SqlText(dept) + QLatin1Char(',') + SqlText(xm) +
           QLatin1Char(')');
}

QString finishExecution(const QString& dh, const QString& dept) {
    return QStringLiteral("Exec P_YJZX ") + SqlText(dh) + QLatin1Char(',') + SqlText(dept);
}

QString newestNumberOfDay(const QString& field, const QString& table, const QString& dateField,
                          const QDate& today) {
    const QString d = day(today);
    return QStringLiteral("select top 1 ") + field + QStringLiteral(" From ") + table +
           QStringLiteral(" Where ") + dateField + QStringLiteral(" Between '") + d +
           QStringLiteral(" 00:00:00' and '") + d + QStringLiteral(" 23:59:59' order by id desc");
}

QString executionNumberUsed(const QString& zxdh) {
    return QStringLiteral("select ZXDH From MZ_YJZX Where ZXDH=") + SqlText(zxdh);
}

QString executionNumbersOfDay(const QDate& today) {
    // A range on the number itself: it can use the unique index on ZXDH.
    const QString prefix = today.toString(QStringLiteral("yyyyMMdd"));
    const QString next = today.addDays(1).toString(QStringLiteral("yyyyMMdd"));
    return QStringLiteral("select ZXDH From MZ_YJZX Where ZXDH>=") + SqlText(prefix) +
           QStringLiteral(" And ZXDH<") + SqlText(next);
}

QString dispensingNumbersOfDay(const QDate& today) {
    const QString d = day(today);
    return QStringLiteral("select FYDH From MZ_FYDJ Where FYRQ Between '") + d +
           QStringLiteral(" 00:00:00' and '") + d + QStringLiteral(" 23:59:59'");
}

QString storedExecution(const QString& dh, const QString& dept, const QString& zxdh) {
    return QStringLiteral("select ZXDH From MZ_YJZX Where DH=") + SqlText(dh) + QStringLiteral(" And KSMC=") +
           SqlText(dept) + QStringLiteral(" And ZXDH=") + SqlText(zxdh);
}

} // namespace ExecutionSql
