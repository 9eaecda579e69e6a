#pragma once

#include "output/core/SlipDocument.h"

// Prints and previews document slips on the workstation's slip printer (ORVA.ini), or on the
// default printer when that one is not installed (told once per run). A slip counts as printed
// when the print system took the job, also when it waits on a stopped printer (told once).
namespace SlipPrinting {

enum class Mode {
    Print,     // print; without any printer, ask for a PDF file instead and say where it went
    Preview,   // Qt's print preview
    AutoPrint, // print without asking anything; no printer counts as a failure
};

// True when the slip was printed (the job was accepted), written as PDF or previewed. A
// failure shows the common error message, except in AutoPrint mode (see autoPrint).
bool MZCFPrint(const SlipRequest& request, Mode mode);

// The auto-print of a listed document: true only when the print job was accepted. A failure
// is reported once; the next one is reported again only after a print has succeeded.
bool autoPrint(const SlipRequest& request);
void resetAutoPrintReport(); // for tests: every "told once" is told again

} // namespace SlipPrinting
