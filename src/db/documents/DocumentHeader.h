#pragma once

#include "common/core/AppError.h"

#include <QString>

// The header fields of a document. `nl` is read for outpatients only, `zyh` and `cwh` for
// inpatients; `kdsj` is the prescription time.
struct DocumentHeader {
    QString xm, xb, nl, kdys, kdsj, zyh, cwh;
};

enum class HeaderLoad { Loaded, NoRow, Failed };

// Reads the header from the table of the document's kind. NoRow and Failed fill `error`;
// NoRow with the "no current record" error of the hospital's client library.
[[nodiscard]] HeaderLoad LoadDocumentHeader(const QString& dh, bool inpatient, DocumentHeader* header,
                                            AppError* error);
