#pragma once
// Workstations as processes of their own, for the tests that make several of them meet on one
// database: the test starts workers and reads their output lines.
#include <QList>
#include <QString>
#include <QStringList>

namespace Workstation {

// The moment (milliseconds since the epoch) the workers are to start at, in text, far enough
// ahead that every process is up by then.
QString startTimeIn(int milliseconds);

// Runs one worker to its end, with the crash point named (YJGL_CRASH_AT) unless empty: its
// output, trimmed, or "KILLED" when it died, "HUNG" when it did not end within a minute.
QString run(const QString& program, const QStringList& arguments, const QString& crashAt = {});

// Runs the workers at once and gives their outputs, trimmed, in the order they were given;
// an empty list (and the failing worker's output as a warning) when one of them did not end
// within the time, crashed or ended with an exit code other than 0.
QStringList runTogether(const QString& program, const QList<QStringList>& argumentLists,
                        int timeoutMs = 60000);

} // namespace Workstation
