#pragma once

#include "admin/AdminCommands.h"

// "yjgl-admin lunar YYYY-MM-DD": the status bar's lunar calendar line of that day.
int lunarCommand(const QStringList& args, AdminIo& io);
