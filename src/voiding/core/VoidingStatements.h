#pragma once

#include <QDate>
#include <QString>

// The statement texts of the voiding window, as the hospital database's other programs
// expect them. Values go in through SqlText.
namespace VoidingSql {

// "Exec P_MZ_YJTDList '{dept}','{pattern}','{from} 00:00:00','{to} 23:59:59'"
QString documentList(const QString& dept, const QString& namePattern, const QDate& from, const QDate& to);
QString items(const QString& dept, const QString& dh);

// Only the department's own valid record is voided: a record voided earlier keeps who voided
// it and when, and other departments' records of the document stay valid.
QString voidRecord(const QString& user, const QString& dh, const QString& dept);
// The department's record of the document as voided by the user (after a commit whose link broke).
QString storedVoid(const QString& user, const QString& dh, const QString& dept);
// The document's items that the department executes are marked returned.
QString returnItems(const QString& dh, const QString& dept);

} // namespace VoidingSql
