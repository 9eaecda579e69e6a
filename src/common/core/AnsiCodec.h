#pragma once

#include <QByteArray>
#include <QString>

// The Chinese Windows ANSI code page (936, GBK). Every local file and the cipher use it,
// so files written by the Windows version read correctly here and the other way round.
namespace AnsiCodec {
// A character GBK cannot hold becomes "?", as on Windows.
QByteArray encode(const QString& text);
// Invalid bytes become U+FFFD; a lone trailing lead byte is dropped.
QString decode(const QByteArray& bytes);
} // namespace AnsiCodec
