#pragma once

#include <QString>
#include <QStringList>

// A small hospital database made by the test itself, with two stored procedures.
namespace DbTestDatabase {
// Creates `file` with the tables and procedures the tests use and returns its connection string.
QString create(const QString& file, int busyTimeoutMs = 300);
// Runs statements straight on the file, beside the connection under test.
bool run(const QString& file, const QStringList& statements);
// Reads one value straight from the file ("" when none).
QString scalar(const QString& file, const QString& sql);
} // namespace DbTestDatabase
