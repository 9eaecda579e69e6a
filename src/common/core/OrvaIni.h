#pragma once

#include "common/core/AppError.h"

#include <QString>

// ORVA.ini of the program folder: the workstation's print options and the auto-print box of
// the pending-documents window. Nothing is cached; every call opens the file.
namespace OrvaIni {

QString path();

// "发票打印"/"发票打印机" and "发票打印"/"字号": the printer document slips print on and
// their font size.
struct PrintOptions {
    QString printer;  // device name, at most 200 characters; empty when not set
    int fontSize = 0; // the leading digits of the stored text; 0 when not set
};
PrintOptions readPrintOptions();

// Writes both keys as given (the font size as typed, also empty). False with `error` when the
// file cannot be written.
[[nodiscard]] bool writePrintOptions(const QString& printer, const QString& fontSizeText, AppError* error);

// Writes one key. False with `error` (the file access error, source "ORVA.ini") when the file
// cannot be written.
[[nodiscard]] bool writeString(const QString& section, const QString& key, const QString& value,
                               AppError* error);

} // namespace OrvaIni
