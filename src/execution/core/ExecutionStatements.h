#pragma once

#include <QDate>
#include <QString>

// The statement texts of the pending-documents window and the execution, exactly as the
// hospital database's other programs expect them. Values go in through SqlText.
namespace ExecutionSql {

QString departmentList();
QString autoRefreshConfig();
// "exec YJ_List '{dept}','{from} 00:00:00','{to} 23:59:59'"
QString pendingList(const QString& dept, const QDate& from, const QDate& to);
QString markPrinted(const QString& dh, bool inpatient);

QString prescriptionLookup(const QString& number, const QString& dept);

QString users();
QString insertExecution(const QString& zxdh, const QString& dh, const QString& zxr, const QString& fhr,
                        const QString& dept, const QString& xm);
QString finishExecution(const QString& dh, const QString& dept);

// The newest number of the day in a day-numbered table.
QString newestNumberOfDay(const QString& field, const QString& table, const QString& dateField,
                          const QDate& today);

// Guards that keep execution numbers unique.
QString executionNumberUsed(const QString& zxdh);
QString executionNumbersOfDay(const QDate& today);
QString dispensingNumbersOfDay(const QDate& today);

// The execution record of a document by a department under one number (after a lost link).
QString storedExecution(const QString& dh, const QString& dept, const QString& zxdh);

} // namespace ExecutionSql
