// One workstation of the race test: goes through the documents as a clerk would, each one
// as the window does it (refresh the list, see the document pending, propose a number,
// execute), starting at the given moment. Arguments: connection string, department, start
// time (milliseconds since the epoch), documents separated by commas, and optionally the
// documents to void afterwards (as the voiding window does it, once executed). Prints one line
// per attempt: OK {DH} {number}, GONE {DH} (no longer pending), FAIL {DH} {text}, and for a void
// VOIDED {DH}, ALREADY {DH} or VOIDFAIL {DH} {text}.
#include "common/core/Clock.h"
#include "db/Connection.h"
#include "execution/core/ExecutionAttempt.h"
#include "support/WorkerStart.h"
#include "voiding/core/VoidingService.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    if (args.size() < 5) {
        out << "FAIL - usage" << Qt::endl;
        return 2;
    }
    const QString dept = args.at(2);
    if (!WorkerStart::connectAndWait(args.at(1), args.at(3).toLongLong(), out, " - "))
        return 1;
    AppError error;
    for (const QString& dh : args.at(4).split(QLatin1Char(','))) {
        QStringList listed;
        QString shown;
        const bool read =
            ExecutionAttempt::ReadPendingNumbers(dept, Clock::today(), Clock::today(), &listed, &error);
        const bool pending = read && CheckExecution(dh, listed, {true}) == ExecutionRefusal::None;
        if (!read || (pending && !ProposeExecutionNumber(&shown, &error))) {
            out << "FAIL " << dh << ' ' << error.description << Qt::endl;
            continue;
        }
        if (!pending) {
            out << "GONE " << dh << Qt::endl;
            continue;
        }
        QString stored;
        const ExecutionRecord record{
            shown, dh, QStringLiteral("张三"), QStringLiteral("李四"), dept, QStringLiteral("患者")};
        const auto outcome =
            ExecutionAttempt::Execute(record, Clock::today(), Clock::today(), &stored, &error);
        if (outcome == ExecutionAttempt::Outcome::Executed ||
            outcome == ExecutionAttempt::Outcome::ExecutedInDoubt)
            out << "OK " << dh << ' ' << stored << Qt::endl;
        else
            out << "FAIL " << dh << ' ' << error.description << Qt::endl;
    }
    const QStringList toVoid =
        args.size() > 5 ? args.at(5).split(QLatin1Char(','), Qt::SkipEmptyParts) : QStringList();
    for (const QString& dh : toVoid) {
        switch (VoidDocument(dh, dept, QStringLiteral("张三"), &error)) {
        case VoidOutcome::Voided:
            out << "VOIDED " << dh << Qt::endl;
            break;
        case VoidOutcome::AlreadyVoided:
            out << "ALREADY " << dh << Qt::endl;
            break;
        case VoidOutcome::Failed:
            out << "VOIDFAIL " << dh << ' ' << error.description << Qt::endl;
            break;
        }
    }
    return 0;
}
