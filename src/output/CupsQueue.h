#pragma once

#include "output/PrintService.h"

#include <QString>

// Jobs on a CUPS queue through libcups, on the server that CUPS_SERVER names (a socket path or
// host), else the system's.
namespace CupsQueue {

struct JobOptions {
    int copies = 1;
    QString sides; // "two-sided-long-edge", ...; empty: the queue's own setting
};

// Sends the file as one job. Accepted or Waiting (the queue is stopped) with the job id when the
// server took it; Refused with the server's reason otherwise.
PrintJobResult submit(const QString& printer, const QString& file, const QString& title,
                      const JobOptions& options);

// True when the queue exists and is stopped (it keeps its jobs until it is started again).
bool isStopped(const QString& printer);

} // namespace CupsQueue
