#pragma once

#include "common/core/AppError.h"

#include <QString>

// The safe way to copy the embedded database and to put a copy back. Copying the file itself
// while workstations have it open gives a torn copy, and putting a file in its place under
// them leaves their write-ahead log beside it; these go through SQLite's backup interface.
namespace SqliteBackup {

// Copies `database` into `target` while workstations go on working (one consistent moment of
// it); the copy is written aside, checked and then renamed, and needs no log file of its own.
bool backup(const QString& database, const QString& target, AppError* error);

// Replaces the content of `database` by that of `source`, as one transaction of the database
// itself. Refused while another program has the database open, and for a source that is no
// sound database.
bool restore(const QString& database, const QString& source, AppError* error);

// True while another connection (a workstation) has `database` open. Leaves the database in
// rollback-journal mode when nobody has: only for a database about to be replaced.
bool openElsewhere(const QString& database);

} // namespace SqliteBackup
