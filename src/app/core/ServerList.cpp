#include "app/core/ServerList.h"

#include "common/core/LocalFile.h"

#include <QFile>

namespace ServerList {

QString freeTdsConfigPath() {
    const QString env = qEnvironmentVariable("FREETDSCONF");
    return env.isEmpty() ? QStringLiteral("/etc/freetds/freetds.conf") : env;
}

QStringList serverNamesIn(const QString& configText) {
    QStringList names;
    const QStringList lines = configText.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (!line.startsWith(QLatin1Char('[')) || !line.endsWith(QLatin1Char(']')))
            continue;
        const QString name = line.mid(1, line.size() - 2).trimmed();
        if (name.isEmpty() || name.compare(QStringLiteral("global"), Qt::CaseInsensitive) == 0)
            continue;
        if (!names.contains(name, Qt::CaseInsensitive))
            names << name;
    }
    return names;
}

QStringList servers(const QString& configPath, const QString& computerName) {
    QStringList names;
    // A configuration is a few kilobytes; anything larger is not one.
    QByteArray bytes;
    if (LocalFile::read(configPath, LocalFile::SettingsLimit, &bytes) == LocalFile::Status::Read)
        names = serverNamesIn(QString::fromUtf8(bytes));
    if (!computerName.isEmpty() && !names.contains(computerName, Qt::CaseInsensitive))
        names << computerName;
    return names;
}

} // namespace ServerList
