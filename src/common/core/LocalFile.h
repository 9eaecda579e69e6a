#pragma once

#include <QByteArray>
#include <QString>

// Reading the small files the program keeps beside itself (INI files, settings, last user).
// Such a path may name anything: a FIFO would block the program for ever and a link to
// /dev/zero would read until memory runs out. Only a regular file (a link to one counts) of at
// most `maxBytes` is read; opening never waits.
namespace LocalFile {

enum class Status { Read, Missing, NotRegular, TooLarge, Unreadable };

// A settings file of a megabyte is already far beyond any real one.
constexpr qint64 SettingsLimit = 1 << 20;

Status read(const QString& path, qint64 maxBytes, QByteArray* bytes);

// Where a write to `path` may go: the path itself when nothing or a regular file lies there, or
// the final target of a link when that is a regular file. A link to anything else (a device, a
// FIFO, a folder, nothing at all) and any other kind of file is refused (false): writing aside
// and renaming would put a regular file in place of a device.
bool writeTarget(const QString& path, QString* target);

enum class WriteStatus { Written, NotRegular, Failed };
// Whether the write waits until the disk holds the file. Only a file whose loss in a power cut
// costs nothing but a check (the workstation's last audit row) is written without waiting.
enum class Sync { WaitForDisk, DontWait };

// Writes `bytes` as the whole file at writeTarget(path): aside and renamed, so that a failed
// write leaves the old file whole. `target` receives the file written, `errorText` why a write
// failed.
WriteStatus writeWhole(const QString& path, const QByteArray& bytes, QString* target = nullptr,
                       QString* errorText = nullptr, Sync sync = Sync::WaitForDisk);

// For the "missing or damaged" messages: why the file could not be used.
QString describe(Status status, const QString& path);

} // namespace LocalFile
