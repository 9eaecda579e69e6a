#pragma once

#include "common/core/AppError.h"
#include "db/Recordset.h"

#include <QString>
#include <QTextStream>

// The admin tool's work on the database named by DatabaseSet.data in the program folder,
// through the program's own client layer (gConn).
namespace AdminDatabase {
// Record 1 of DatabaseSet.data; an error when the file or the record is missing.
bool connectionString(QString* text, AppError* error);
bool connect(AppError* error);
// The embedded database file named there; an error for a server connection.
bool sqliteFile(QString* file, AppError* error);
RecordsetPtr run(const QString& statement, AppError* error);
// A heading line of column names, then one line per row; fields separated by tabs, a null
// printed as nothing. Tabs and line breaks inside values become blanks so lines stay rows.
void print(const Recordset& rs, QTextStream& out);
// Stores the text enciphered as the unit name (the first row of HosPitalInfo).
bool storeUnitName(const QString& name, AppError* error);
} // namespace AdminDatabase
