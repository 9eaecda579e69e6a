// yjgl-admin: command-line tool for the hospital's IT staff.
#include "admin/AdminCommands.h"
#include "admin/ExportCommand.h"
#include "common/core/ProgramFolder.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    ProgramFolder::shareNewFilesWithGroup();
    // Pages are drawn without a screen; the other commands need no fonts at all.
    std::unique_ptr<QCoreApplication> app;
    if (argc > 1 && adminCommandDrawsPages(QString::fromLocal8Bit(argv[1]))) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    AdminIo io{out, err};
    const int status = runAdmin(app->arguments().mid(1), io);
    out.flush();
    err.flush();
    return status;
}
