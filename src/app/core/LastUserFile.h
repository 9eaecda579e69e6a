#pragma once

#include <QByteArray>
#include <QString>

// User.data beside the program: one GBK line, ended by CR LF, with the name of the last user
// who signed in.
namespace LastUserFile {

QString path();
// The first line; empty when the file is missing or unreadable.
QString read();
// Rewrites the file whole; false when it could not be written.
bool save(const QString& userName);

// The first line of the bytes. GBK as written by the Windows version; a file saved as UTF-8
// by hand (with or without a byte-order mark) is still read by its intended text.
QString firstLineOf(const QByteArray& bytes);

} // namespace LastUserFile
