#pragma once

#include "admin/AdminCommands.h"

// "yjgl-admin export STATEMENT FILE [--title TEXT] [--from DATE --to DATE]": the statement's
// result as a workbook (.xls, .xlsx) or a PDF report, written by the program's own output code.
int exportCommand(const QStringList& args, AdminIo& io);

// "yjgl-admin slip DH FILE.pdf [--dept NAME]": a document's slip as PDF; with a department its
// items and execution number as the department prints them, else every item.
int slipCommand(const QStringList& args, AdminIo& io);

// Commands that draw pages need a QGuiApplication (fonts, PDF).
bool adminCommandDrawsPages(const QString& command);
