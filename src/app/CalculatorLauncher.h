#pragma once

#include <QString>
#include <QStringList>

// Starts the desktop's calculator: the first installed of the usual calculators.
namespace CalculatorLauncher {
// The calculators looked for, in order of preference.
const QStringList& candidates();
// Folders searched: those of PATH, then the system folder.
QStringList searchFolders();
// Full path of the first candidate found as an executable file in `folders`, else empty.
QString find(const QStringList& folders);
// Starts it through ProcessLauncher; false when none is installed or it did not start.
bool start();
} // namespace CalculatorLauncher
