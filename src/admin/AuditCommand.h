#pragma once

#include "admin/AdminCommands.h"

// "yjgl-admin audit install | verify [--anchor FILE] | anchor FILE | export FILE [--from --to]":
// the audit trail YJGL_LOG for IT.
int auditCommand(const QStringList& args, AdminIo& io);
