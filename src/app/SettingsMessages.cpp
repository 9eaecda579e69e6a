#include "app/SettingsMessages.h"

#include "common/core/MessageService.h"

QString ReadConnectionString() {
    QString connection;
    AppError error;
    if (!ReadConnectionString(&connection, &error))
        Messages::show(QStringLiteral("读取连接字符串时出错"),
                       QStringLiteral("出错信息：") + error.description, MsgIcon::Exclamation);
    return connection;
}

bool LoadSettings(ConnectionSettings* settings) {
    AppError error;
    if (LoadSettings(settings, &error))
        return true;
    Messages::show(QStringLiteral("读取连接串时出错!"), QStringLiteral("出错信息:") + error.description,
                   MsgIcon::Exclamation);
    return false;
}

bool SaveSettings(const ConnectionSettings& settings) {
    AppError error;
    if (SaveSettings(settings, &error))
        return true;
    Messages::show(QStringLiteral("读连接字符串时出错"), QStringLiteral("出错信息：") + error.description,
                   MsgIcon::Exclamation);
    return false;
}
