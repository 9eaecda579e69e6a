#include "support/Workstation.h"

#include <QDateTime>
#include <QDebug>
#include <QProcess>

#include <memory>
#include <vector>

namespace Workstation {

QString startTimeIn(int milliseconds) {
    return QString::number(QDateTime::currentMSecsSinceEpoch() + milliseconds);
}

QString run(const QString& program, const QStringList& arguments, const QString& crashAt) {
    QProcess worker;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!crashAt.isEmpty())
        env.insert(QStringLiteral("YJGL_CRASH_AT"), crashAt);
    worker.setProcessEnvironment(env);
    worker.start(program, arguments);
    if (!worker.waitForFinished(60000))
        return QStringLiteral("HUNG");
    if (worker.exitStatus() == QProcess::CrashExit)
        return QStringLiteral("KILLED");
    return QString::fromUtf8(worker.readAllStandardOutput()).trimmed();
}

QStringList runTogether(const QString& program, const QList<QStringList>& argumentLists, int timeoutMs) {
    std::vector<std::unique_ptr<QProcess>> workers;
    for (const QStringList& arguments : argumentLists) {
        workers.push_back(std::make_unique<QProcess>());
        workers.back()->setProcessChannelMode(QProcess::SeparateChannels);
        workers.back()->start(program, arguments);
    }
    QStringList outputs;
    for (const auto& worker : workers) {
        const bool ended = worker->waitForFinished(timeoutMs);
        outputs << QString::fromUtf8(worker->readAllStandardOutput()).trimmed();
        if (!ended || worker->exitStatus() != QProcess::NormalExit || worker->exitCode() != 0) {
            qWarning("worker %d failed: %s", int(outputs.size()), qPrintable(outputs.last()));
            return {};
        }
    }
    return outputs;
}

} // namespace Workstation
