#pragma once
// The start of every worker process: its connection, then the moment all workers begin at.
#include "db/Connection.h"

#include <QDateTime>
#include <QTextStream>
#include <QThread>

#include <optional>

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

// The document numbers (column DH) a list statement shows, as the window would list them. When
// the statement fails, prints "FAIL {description}" and returns nothing.
inline std::optional<QStringList> listedNumbers(const QString& listStatement, QTextStream& out) {
    AppError error;
    RecordsetPtr rs = gConn->execute(listStatement, &error);
    if (!rs) {
        out << "FAIL " << error.description << Qt::endl;
        return std::nullopt;
    }
    QStringList listed;
    const int dh = rs->fieldIndex(QStringLiteral("DH"));
    for (const auto& row : rs->rows())
        listed << Recordset::asText(row.value(dh));
    return listed;
}

} // namespace WorkerStart
