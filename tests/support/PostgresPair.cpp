#include "support/PostgresPair.h"

#include "support/TestFolder.h"

#include <QFile>
#include <QProcess>

PostgresPair::PostgresPair() : m_cluster(m_dir.path() + QStringLiteral("/pair")) {
    // The servers' own user must reach the cluster inside.
    QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFileDevice::ExeOther);
    QString output;
    if (script(QStringLiteral("start-pair"), &output))
        m_connection = output;
}

PostgresPair::~PostgresPair() {
    script(QStringLiteral("stop"));
}

QString PostgresPair::connectionTo(const QString& database) const {
    QString text = m_connection;
    return text.replace(QStringLiteral("Initial Catalog=postgres;"),
                        QStringLiteral("Initial Catalog=") + database + QLatin1Char(';'));
}

bool PostgresPair::failover() {
    return script(QStringLiteral("failover"));
}

bool PostgresPair::rejoin() {
    return script(QStringLiteral("rejoin"));
}

bool PostgresPair::script(const QString& action, QString* output) {
    QProcess run;
    run.start(QStringLiteral("bash"),
              {TestFolder::sourceDir() + QStringLiteral("/scripts/pg-test-server.sh"), action, m_cluster});
    const bool ended = run.waitForFinished(180000);
    if (output)
        *output = QString::fromUtf8(run.readAllStandardOutput()).trimmed();
    if (ended && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0)
        return true;
    m_error = action + QStringLiteral(": ") + QString::fromUtf8(run.readAllStandardError()).trimmed();
    return false;
}
