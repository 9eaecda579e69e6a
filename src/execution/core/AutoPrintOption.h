#pragma once

#include "common/core/AppError.h"

#include <QString>

// The "自动打印处方" box of the pending-documents window, kept in ORVA.ini of the program
// folder under "窗口发药"/"自动打印处方" (0 unticked, 1 ticked). Nothing is cached: every
// load and save opens the file.
namespace AutoPrintOption {

QString iniPath();

// The stored state; 0 for a missing file, section or key. A value the box cannot take
// (other than 0, 1 or 2) is refused with `error`.
[[nodiscard]] bool load(int* state, AppError* error);
[[nodiscard]] bool save(int state, AppError* error);

} // namespace AutoPrintOption
