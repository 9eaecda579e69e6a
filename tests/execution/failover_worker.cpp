// One workstation of the failover test: works through the documents as a clerk would (refresh
// the list, see the document pending, propose a number, execute, and void the ones named right
// after executing them) until the stop file appears; with nothing left it refreshes the list
// as the pending window's timer does. After a lost link the clerk tries the same step again.
// Arguments: connection string, department, start time (milliseconds since the epoch),
// documents and documents to void (separated by commas), stop file, pause between documents in
// milliseconds. Prints one line per event, each with the moment (milliseconds since the epoch):
//   OK {ms} {DH} {number}      executed (also when the link broke during the commit)
//   GONE {ms} {DH}             no longer pending for the department
//   VOIDED {ms} {DH}, ALREADY {ms} {DH}   voided now, or found voided already
//   LOST {ms} {DH} {text}      the link was lost: the clerk's lost-link message, or a step that
//                              came through on a new session after it (a commit settled there)
//   BACK {ms}                  the first statement that ran after a lost link
//   FAIL {ms} {DH} {text}      any other failure (never expected)
#include "common/core/Clock.h"
#include "db/DbErrors.h"
#include "db/StatementHelpers.h"
#include "execution/core/ExecutionAttempt.h"
#include "support/WorkerStart.h"
#include "voiding/core/VoidingService.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTextStream>
#include <QThread>

namespace {

class Clerk {
public:
    Clerk(QTextStream& out, QString dept) : m_out(out), m_dept(std::move(dept)) {}

    // Reads the pending list; false after a failure (reported).
    bool refresh(const QString& dh, QStringList* listed) {
        AppError error;
        if (!ExecutionAttempt::ReadPendingNumbers(m_dept, Clock::today(), Clock::today(), listed, &error))
            return failed(dh, error);
        back(dh);
        return true;
    }

    // Executes the document unless it has left the list; repeats a step the link broke.
    bool execute(const QString& dh) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            turnEventLoop();
            QStringList listed;
            if (!refresh(dh, &listed)) {
                if (m_lost)
                    continue;
                return false;
            }
            if (CheckExecution(dh, listed, {true}) != ExecutionRefusal::None) {
                line(QStringLiteral("GONE"), dh);
                return false;
            }
            AppError error;
            QString shown;
            if (!ProposeExecutionNumber(&shown, &error)) {
                if (!failed(dh, error) && m_lost)
                    continue;
                return false;
            }
            back(dh);
            const ExecutionRecord record{
                shown, dh, QStringLiteral("张三"), QStringLiteral("李四"), m_dept, QStringLiteral("患者")};
            QString stored;
            switch (ExecutionAttempt::Execute(record, Clock::today(), Clock::today(), &stored, &error)) {
            case ExecutionAttempt::Outcome::ExecutedInDoubt:
                lost(dh, QStringLiteral("in doubt, stored"));
                back(dh);
                [[fallthrough]];
            case ExecutionAttempt::Outcome::Executed:
                back(dh);
                line(QStringLiteral("OK"), dh, stored);
                return true;
            case ExecutionAttempt::Outcome::NotExecutedInDoubt:
                lost(dh, QStringLiteral("in doubt, not stored"));
                continue;
            case ExecutionAttempt::Outcome::LeftList:
                noteLostLink(dh);
                line(QStringLiteral("GONE"), dh);
                return false;
            case ExecutionAttempt::Outcome::Failed:
                if (!failed(dh, error) && m_lost)
                    continue;
                return false;
            }
        }
        line(QStringLiteral("FAIL"), dh, QStringLiteral("gave up"));
        return false;
    }

    void voidDocument(const QString& dh) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            turnEventLoop();
            AppError error;
            switch (VoidDocument(dh, m_dept, QStringLiteral("张三"), &error)) {
            case VoidOutcome::Voided:
                back(dh);
                line(QStringLiteral("VOIDED"), dh);
                return;
            case VoidOutcome::AlreadyVoided:
                back(dh);
                line(QStringLiteral("ALREADY"), dh);
                return;
            case VoidOutcome::Failed:
                if (!failed(dh, error) && m_lost)
                    continue;
                return;
            }
        }
        line(QStringLiteral("FAIL"), dh, QStringLiteral("gave up voiding"));
    }

private:
    // Between two steps the clerk's window goes back to its event loop, where the lost-link road
    // reopens the connection.
    void turnEventLoop() {
        QCoreApplication::processEvents();
        if (!LostLinkPending())
            m_roadTold = false;
    }

    // Reports a failure: LOST for a lost link, else FAIL. Always false. A step that failed for
    // its own reason (another workstation was quicker) may have lost the link afterwards, while
    // it looked at the outcome: the program's lost-link road is then on its way.
    bool failed(const QString& dh, const AppError& error) {
        if (DbError::needsReconnect(error.number) || LostLinkPending())
            lost(dh, error.description.simplified());
        else
            line(QStringLiteral("FAIL"), dh, error.description.simplified());
        return false;
    }
    void lost(const QString& dh, const QString& text) {
        // One message per lost link: the steps tried again until it is back do not count.
        if (!m_lost)
            line(QStringLiteral("LOST"), dh, text);
        m_lost = true;
        m_roadTold = LostLinkPending();
    }
    // A step that came through may still have lost the link on its way (its commit settled on a
    // new session): the program takes its lost-link road all the same.
    void noteLostLink(const QString& dh) {
        if (LostLinkPending() && !m_roadTold)
            lost(dh, QStringLiteral("came through on a new session"));
    }
    void back(const QString& dh) {
        noteLostLink(dh);
        if (m_lost)
            line(QStringLiteral("BACK"), {});
        m_lost = false;
    }
    void line(const QString& what, const QString& dh, const QString& text = {}) {
        m_out << what << ' ' << QDateTime::currentMSecsSinceEpoch();
        if (!dh.isEmpty())
            m_out << ' ' << dh;
        if (!text.isEmpty())
            m_out << ' ' << text;
        m_out << Qt::endl;
    }

    QTextStream& m_out;
    QString m_dept;
    bool m_lost = false;
    bool m_roadTold = false; // the lost-link road on its way has had its LOST line
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    if (args.size() < 8) {
        out << "FAIL 0 - usage" << Qt::endl;
        return 2;
    }
    if (!WorkerStart::connectAndWait(args.at(1), args.at(3).toLongLong(), out, " 0 - "))
        return 1;
    Clerk clerk(out, args.at(2));
    const QStringList documents = args.at(4).split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QStringList toVoid = args.at(5).split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QString stopFile = args.at(6);
    const int pauseMs = args.at(7).toInt();
    qsizetype next = 0;
    while (!QFile::exists(stopFile)) {
        if (next < documents.size()) {
            const QString dh = documents.at(next++);
            if (clerk.execute(dh) && toVoid.contains(dh))
                clerk.voidDocument(dh);
        } else {
            QCoreApplication::processEvents();
            QStringList listed;
            (void)clerk.refresh(QStringLiteral("-"), &listed);
        }
        QThread::msleep(pauseMs);
    }
    return 0;
}
