#pragma once

#include "admin/AdminCommands.h"

// "yjgl-admin export STATEMENT FILE [--title TEXT] [--from DATE --to DATE]": the statement's
// result as a workbook (.xls, .xlsx) or a PDF report, written by the program's own output code.
int exportCommand(const QStringList& args, AdminIo& io);

// Commands that draw pages need a QGuiApplication (fonts, PDF).
bool adminCommandDrawsPages(const QString& command);
