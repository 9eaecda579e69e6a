// One clerk at one workstation: the pending-documents window selects a document by its typed
// number, and its confirmation is answered only once the other clerk has reached it too, so
// that two of these processes confirm the same document at once. Started twice by the
// concurrency test. Arguments: connection string, document number (13 characters),
// department, user, meeting folder. Prints the text of every message box, one a line.
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "execution/Mz_CKFY.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTextStream>
#include <QThread>

namespace {

// Writes every box and answers the confirmation once both clerks are at it (a minute at most).
class ClerkAtTheMoment : public IMessageService {
public:
    explicit ClerkAtTheMoment(const QString& meeting) : m_meeting(meeting) {}
    MsgAnswer show(const QString&, const QString& text, MsgIcon, MsgButtons buttons,
                   MsgAnswer defaultAnswer) override {
        QTextStream(stdout) << text.simplified() << Qt::endl;
        if (buttons == MsgButtons::OkCancel) {
            QFile arrived(QDir(m_meeting).filePath(QString::number(QCoreApplication::applicationPid())));
            arrived.open(QIODevice::WriteOnly);
            arrived.close();
            const qint64 giveUp = QDateTime::currentMSecsSinceEpoch() + 60000;
            while (QDir(m_meeting).entryList(QDir::Files).size() < 2 &&
                   QDateTime::currentMSecsSinceEpoch() < giveUp)
                QThread::usleep(200);
            return MsgAnswer::Ok;
        }
        return defaultAnswer;
    }

private:
    QString m_meeting;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 6)
        return 2;
    ClerkAtTheMoment clerk(args.at(5));
    Messages::install(&clerk);
    resetGlobalConnection(args.at(1));
    if (!gConn->open())
        return 1;
    gExecDept = args.at(3);
    currentUser().GetUserName = args.at(4);

    Mz_CKFY window;
    window.findChild<QLineEdit*>(QStringLiteral("CFH"))->setText(args.at(2));
    window.ExecuteSelected();
    Messages::install(nullptr);
    return 0;
}
