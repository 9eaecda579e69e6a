#pragma once
// The start of every worker process: its connection, then the moment all workers begin at.
#include "db/Connection.h"

#include <QDateTime>
#include <QTextStream>
#include <QThread>

namespace WorkerStart {

// Opens the connection and waits for the start time (milliseconds since the epoch). When the
// connection fails, prints "FAIL{separator}{description}" and returns false.
inline bool connectAndWait(const QString& connection, qint64 startMs, QTextStream& out,
                           const char* separator = " ") {
    resetGlobalConnection(connection);
    AppError error;
    if (!gConn->open(&error)) {
        out << "FAIL" << separator << error.description << Qt::endl;
        return false;
    }
    while (QDateTime::currentMSecsSinceEpoch() < startMs)
        QThread::usleep(200);
    return true;
}

} // namespace WorkerStart
