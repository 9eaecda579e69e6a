#include "app/CalculatorLauncher.h"

#include "common/core/ProcessLauncher.h"

#include <QDir>
#include <QFileInfo>

#include "app/core/Cls_SysDir.h"

namespace CalculatorLauncher {

const QStringList& candidates() {
    static const QStringList names = {
        QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"),         QStringLiteral("galculator"),
        QStringLiteral("mate-calc"),        QStringLiteral("qalculate-gtk"), QStringLiteral("xcalc"),
    };
    return names;
}

QStringList searchFolders() {
    QStringList folders;
    const QString path = qEnvironmentVariable("PATH");
    for (const QString& folder : path.split(QDir::listSeparator(), Qt::SkipEmptyParts)) {
        if (!folders.contains(folder))
            folders.append(folder);
    }
    const QString system = Cls_SysDir::GetSysDir();
    if (!system.isEmpty() && !folders.contains(system))
        folders.append(system);
    return folders;
}

QString find(const QStringList& folders) {
    for (const QString& name : candidates()) {
        for (const QString& folder : folders) {
            const QFileInfo file(QDir(folder).filePath(name));
            if (file.isFile() && file.isExecutable())
                return file.absoluteFilePath();
        }
    }
    return {};
}

bool start() {
    const QString program = find(searchFolders());
    if (program.isEmpty())
        return false;
    return ProcessLauncher::service().startDetached(program, {});
}

} // namespace CalculatorLauncher
