#include "app/core/CommandLineHandOff.h"

QString JoinCommandLine(const QStringList& arguments) {
    return arguments.join(QLatin1Char(' '));
}

bool IsHandOffCommandLine(const QString& commandLine) {
    return !commandLine.trimmed().isEmpty();
}

bool ParseHandOff(const QString& commandLine, CommandLineHandOff* handOff, AppError* error) {
    const QChar dollar(QLatin1Char('$'));
    QString fields[3];
    qsizetype from = 0;
    for (QString& field : fields) {
        const qsizetype at = commandLine.indexOf(dollar, from);
        if (at < 0) {
            if (error) {
                error->number = 5;
                error->description = QStringLiteral("命令行参数格式不正确：应为“连接字符串$用户名$密码$”，"
                                                    "现有 %1 个“$”")
                                         .arg(commandLine.count(dollar));
                error->source = QStringLiteral("Main");
            }
            return false;
        }
        field = commandLine.mid(from, at - from);
        from = at + 1;
    }
    if (handOff)
        *handOff = {fields[0], fields[1], fields[2]};
    return true;
}
