#include "db/documents/DocumentStatements.h"

#include "db/StatementHelpers.h"

namespace DocumentSql {

QString outpatientHead(const QString& dh) {
    return QStringLiteral("select TS,NL,XM,XB,KDYS,KDRQ from mz_kfdj Where DH like") + SqlText(dh);
}

QString inpatientHead(const QString& dh) {
    return QStringLiteral("Select XM,XB,KDYS,KDRQ,ZYH,CWH from ZY_KFDJ Where DH Like") + SqlText(dh);
}

QString items(const QString& dept, const QString& dh) {
    return QStringLiteral("Exec Get_YJMX ") + SqlText(dept) + QLatin1Char(',') + SqlText(dh);
}

namespace {
QString itemsOfDepartment(const QString& itemTable, const QString& dept, const QString& dh) {
    return QStringLiteral("Select A.BM,A.PM,A.GG,A.DW,A.SL,A.DJ,A.SSJE From ") + itemTable +
           QStringLiteral(" A ,YF_YPML B Where A.BM=B.YPBM AND B.ZXKS=") + SqlText(dept) +
           QStringLiteral(" AND A.DH=") + SqlText(dh);
}
} // namespace

QString departmentItems(const QString& dept, const QString& dh) {
    return itemsOfDepartment(QStringLiteral("MZ_KFDJMX"), dept, dh);
}

QString departmentItemsInOrder(const QString& itemTable, const QString& dept, const QString& dh) {
    return itemsOfDepartment(itemTable, dept, dh) + QStringLiteral(" Order By A.ID");
}

} // namespace DocumentSql
