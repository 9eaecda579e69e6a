#pragma once

#include "common/core/AppError.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// DatabaseSet.data: fixed 128-byte records, record n at byte (n - 1) * 128. A used record holds
// a 16-bit little-endian length and that many GBK bytes; the rest of the record means nothing.
// The file is shared with the Windows version, so the layout must stay byte for byte.
namespace DatabaseSetFile {

constexpr int RecordLength = 128;
constexpr int MaxTextBytes = RecordLength - 2;

// The file as it was before the last change that altered it, beside it ("DatabaseSet.data.bak").
inline constexpr char PreviousSuffix[] = ".bak";

enum Record { ConnectionString = 1, Server = 2, Database = 5, User = 6, Password = 7 };

// "{program folder}/DatabaseSet.data".
QString path();

// Reads the numbered records (from 1). A record beyond the end of the file reads empty.
// A missing file is created empty (owner-only, it will hold a password). A record whose
// length field exceeds 126 or whose text runs past the end of the file is an error.
bool readRecords(const QString& file, const QList<int>& numbers, QStringList* texts, AppError* error);

// Writes the given records and keeps every other byte of the file. Nothing is written when
// one of the texts does not fit into a record, or when the path is a link to anything but a
// regular file. A file that changes is kept as it was under PreviousSuffix (owner-only).
bool writeRecords(const QString& file, const QMap<int, QString>& texts, AppError* error);

} // namespace DatabaseSetFile
