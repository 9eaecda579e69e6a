#pragma once

#include "output/core/SlipDocument.h"

// Writes a document's slip as a PDF file, atomically (the complete file or none): reprints,
// archives and the workstation without a printer.
[[nodiscard]] bool renderSlipPdf(const SlipDocument& slip, const QString& path, AppError* error);
[[nodiscard]] bool writeSlipPdf(const SlipRequest& request, const QString& path, AppError* error);
