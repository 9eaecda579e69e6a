// One workstation voiding one document: started twice at once by the concurrency test.
// Arguments: connection string, document number, department, user, start time (milliseconds
// since the epoch), optionally "past-list" to skip the list check as if both had passed it at
// the same moment. Prints one line: LISTED-NOT, ALREADY, OK or FAIL {text}.
#include "db/Connection.h"
#include "support/WorkerStart.h"
#include "voiding/core/VoidingLoads.h"
#include "voiding/core/VoidingService.h"

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

    // The attempt as the window makes it: the list, its check, then the void.
    const bool pastList = args.size() > 6 && args.at(6) == QLatin1String("past-list");
    const QDate day(2026, 12, 7);
    QStringList listed;
    if (!ReadVoidableNumbers(dept, QStringLiteral("%"), day, day, &listed, &error)) {
        out << "FAIL " << error.description << Qt::endl;
        return 1;
    }
    if (!pastList && CheckVoid(dh, listed) != VoidRefusal::None) {
        out << "LISTED-NOT" << Qt::endl;
        return 0;
    }
    switch (VoidDocument(dh, dept, args.at(4), &error)) {
    case VoidOutcome::Voided:
        out << "OK" << Qt::endl;
        break;
    case VoidOutcome::AlreadyVoided:
        out << "ALREADY" << Qt::endl;
        break;
    case VoidOutcome::Failed:
        out << "FAIL " << error.description << Qt::endl;
        break;
    }
    return 0;
}
