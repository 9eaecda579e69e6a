// yjgl-admin: command-line tool for the hospital's IT staff.
#include "admin/AdminCommands.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    AdminIo io{out, err};
    const int status = runAdmin(app.arguments().mid(1), io);
    out.flush();
    err.flush();
    return status;
}
