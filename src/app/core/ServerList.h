#pragma once

#include <QString>
#include <QStringList>

// The servers the settings dialog proposes: those named in the FreeTDS configuration
// (its sections, without "global"), then this computer's name.
namespace ServerList {
// FREETDSCONF when set, else /etc/freetds/freetds.conf.
QString freeTdsConfigPath();
QStringList serverNamesIn(const QString& configText);
QStringList servers(const QString& configPath, const QString& computerName);
} // namespace ServerList
