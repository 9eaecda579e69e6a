#pragma once

#include "common/core/AppError.h"
#include "db/Recordset.h"

#include <QString>
#include <QTextStream>

// The admin tool's work on the database named by DatabaseSet.data in the program folder,
// through the program's own client layer (gConn).
namespace AdminDatabase {
bool connect(AppError* error);
RecordsetPtr run(const QString& statement, AppError* error);
// A heading line of column names, then one line per row; fields separated by tabs, a null
// printed as nothing. Tabs and line breaks inside values become blanks so lines stay rows.
void print(const Recordset& rs, QTextStream& out);
// Stores the text enciphered as the unit name (the first row of HosPitalInfo).
bool storeUnitName(const QString& name, AppError* error);
} // namespace AdminDatabase
