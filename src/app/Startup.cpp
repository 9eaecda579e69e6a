#include "app/Startup.h"

#include "app/LinkDatabaseErr.h"
#include "app/SettingsMessages.h"
#include "app/core/CommandLineHandOff.h"
#include "app/core/RegionalFormats.h"
#include "app/core/StartupLayout.h"
#include "app/core/UnitName.h"
#include "app/password.h"
#include "common/core/AnsiCodec.h"
#include "common/core/BusyState.h"
#include "common/core/LocalFile.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/Connection.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QScopedValueRollback>

namespace {

QString g_commandLine;
bool g_commandLineSet = false;
QPointer<password> g_login;

// A skin file is a style sheet of a few kilobytes; a stray large file is not one.
constexpr qint64 MaxSkinBytes = 4 << 20;

// Connection open, then the regional formats and the unit name; neither may stop start-up.
void afterConnect() {
    SetRegionalFormats();
    ReadUnitName();
}

bool openConnection(AppError* error) {
    gConn->setConnectionString(gConnStr);
    if (gConn->isOpen())
        return true;
    return gConn->open(error);
}

QString describe(const AppError& error) {
    if (!error.description.isEmpty())
        return error.description;
    return QStringLiteral("无法连接数据库（错误号 %1）").arg(error.number);
}

} // namespace

namespace Startup {

void setCommandLine(const QString& commandLine) {
    g_commandLine = commandLine;
    g_commandLineSet = !commandLine.isNull();
}

QString commandLine() {
    if (g_commandLineSet)
        return g_commandLine;
    return JoinCommandLine(QCoreApplication::arguments().mid(1));
}

password* loginWindow() {
    return g_login.data();
}

void PrepareStartup() {
    const SkinChoice skin = ReadSkinChoice(Messages::applicationTitle());
    if (!skin.apply)
        return;
    QByteArray styleSheet;
    if (LocalFile::read(skin.styleSheetFile, MaxSkinBytes, &styleSheet) != LocalFile::Status::Read)
        return;
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        app->setStyleSheet(AnsiCodec::decode(styleSheet));
}

} // namespace Startup

namespace {

// Shows LinkDatabaseErr; true when the operator chose retry. A statement run from the dialog's
// event loop (a timer's refresh) that finds the connection closed would stack one dialog on
// the other; the open one answers for both.
bool askRetry(const QString& description) {
    static bool showing = false;
    if (showing)
        return false;
    const QScopedValueRollback<bool> guard(showing, true);
    // The pending list's timer does not run into the closed connection beneath the dialog.
    const BusyState::Guard busy;
    LinkDatabaseErr dialog;
    dialog.setErrorText(description);
    dialog.exec();
    return dialog.state() == QStringLiteral("Start");
}

// One run of the entry sequence up to the login window; false with `error` when it stopped.
bool startOnce(AppError* error) {
    resetGlobalConnection();
    Startup::PrepareStartup();

    const QString line = Startup::commandLine();
    if (IsHandOffCommandLine(line)) {
        CommandLineHandOff handOff;
        if (!ParseHandOff(line, &handOff, error))
            return false;
        gConnStr = handOff.connectionString;
        if (!openConnection(error))
            return false;
        afterConnect();
        g_login = new password;
        // A hand-off whose sign-in fails leaves the operator at the login window.
        if (!g_login->TestUserPassword(handOff.userName, handOff.password) && g_login)
            g_login->show();
        return true;
    }

    gConnStr = ReadConnectionString();
    if (!openConnection(error))
        return false;
    afterConnect();
    g_login = new password;
    g_login->show();
    return true;
}

} // namespace

namespace Startup {

void ShowConnectionError(const QString& description) {
    // Runs again only once the dialog is gone.
    if (askRetry(description))
        Main();
}

void Main() {
    // Every retry starts the sequence again from the top, as often as the operator asks, without
    // the calls piling up on one another.
    for (;;) {
        AppError error;
        if (startOnce(&error) || !askRetry(describe(error)))
            return;
    }
}

} // namespace Startup
