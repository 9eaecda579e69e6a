#include "voiding/core/VoidingStatements.h"

#include "db/StatementHelpers.h"

namespace VoidingSql {

QString documentList(const QString& dept, const QString& namePattern, const QDate& from, const QDate& to) {
    return QStringLiteral("Exec P_MZ_YJTDList ") + SqlText(dept) + QLatin1Char(',') + SqlText(namePattern) +
           QLatin1Char(',') +
           SqlText(from.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00")) +
           QLatin1Char(',') +
           SqlText(to.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 23:59:59"));
}

QString items(const QString& dept, const QString& dh) {
    return QStringLiteral("Exec Get_YJZFMX ") + SqlText(dept) + QLatin1Char(',') + SqlText(dh);
}

QString voidRecord(const QString& user, const QString& dh, const QString& dept) {
    return QStringLiteral("Update MZ_YJZX Set SFZF=1,ZFR=") + SqlText(user) +
           QStringLiteral(",ZFRQ=Getdate() Where DH=") + SqlText(dh) + QStringLiteral(" And KSMC=") +
           SqlText(dept) + QStringLiteral(" And SFZF=0");
}

QString storedVoid(const QString& user, const QString& dh, const QString& dept) {
    return QStringLiteral("select DH From MZ_YJZX Where DH=") + SqlText(dh) + QStringLiteral(" And KSMC=") +
           SqlText(dept) + QStringLiteral(" And SFZF=1 And ZFR=") + SqlText(user);
}

QString returnItems(const QString& dh, const QString& dept) {
    return QStringLiteral(
               "Update MZ_KFDJMX Set TYBZ=1 From MZ_KFDJMX,YF_YPML Where MZ_KFDJMX.BM=YF_YPML.YPBM "
               "AND  MZ_KFDJMX.DH=") +
           SqlText(dh) + QStringLiteral(" And YF_YPML.ZXKS=") + SqlText(dept);
}

} // namespace VoidingSql
