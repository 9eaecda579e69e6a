// One workstation executing one document: started twice at once by the concurrency test.
// Arguments: connection string, document number, department, shown number, start time
// (milliseconds since the epoch), optionally "past-list" to skip the list check as if both
// had passed it at the same moment. Prints one line: LISTED-NOT, OK {number}, LEFT-LIST {text}
// (refused because the other executed it first) or FAIL {text}.
#include "common/core/Clock.h"
#include "db/Connection.h"
#include "execution/core/ExecutionAttempt.h"
#include "support/WorkerStart.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    if (args.size() < 6) {
        out << "FAIL usage" << Qt::endl;
        return 2;
    }
    const QString dh = args.at(2);
    const QString dept = args.at(3);
    if (!WorkerStart::connectAndWait(args.at(1), args.at(5).toLongLong(), out))
        return 1;
    AppError error;

    // The attempt as the window makes it: refresh, check, execute, refresh again.
    const bool pastList = args.size() > 6 && args.at(6) == QLatin1String("past-list");
    QStringList listed;
    if (!ExecutionAttempt::ReadPendingNumbers(dept, Clock::today(), Clock::today(), &listed, &error)) {
        out << "FAIL " << error.description << Qt::endl;
        return 1;
    }
    if (!pastList && CheckExecution(dh, listed, {true}) != ExecutionRefusal::None) {
        out << "LISTED-NOT" << Qt::endl;
        return 0;
    }
    QString stored;
    const ExecutionRecord record{
        args.at(4), dh, QStringLiteral("张三"), QStringLiteral("李四"), dept, QStringLiteral("患者")};
    switch (ExecutionAttempt::Execute(record, Clock::today(), Clock::today(), &stored, &error)) {
    case ExecutionAttempt::Outcome::Executed:
    case ExecutionAttempt::Outcome::ExecutedInDoubt:
        out << "OK " << stored << Qt::endl;
        break;
    case ExecutionAttempt::Outcome::LeftList:
        out << "LEFT-LIST " << error.description << Qt::endl;
        break;
    case ExecutionAttempt::Outcome::NotExecutedInDoubt:
    case ExecutionAttempt::Outcome::Failed:
        out << "FAIL " << error.description << Qt::endl;
        break;
    }
    return 0;
}
