#pragma once

#include <QString>

// The statements that read a document's header and items, shared by every window that shows
// or prints a document. Values go in through SqlText.
namespace DocumentSql {

// "select TS,NL,XM,XB,KDYS,KDRQ from mz_kfdj Where DH like'{DH}'"
QString outpatientHead(const QString& dh);
// "Select XM,XB,KDYS,KDRQ,ZYH,CWH from ZY_KFDJ Where DH Like'{DH}'"
QString inpatientHead(const QString& dh);
// The department's view of a document's items through the item procedure.
QString items(const QString& dept, const QString& dh);
// The outpatient items of the document that the department executes, in stored order.
QString departmentItems(const QString& dept, const QString& dh);
// The same from an item table of either kind, in the order the items were written (slips).
QString departmentItemsInOrder(const QString& itemTable, const QString& dept, const QString& dh);

} // namespace DocumentSql
