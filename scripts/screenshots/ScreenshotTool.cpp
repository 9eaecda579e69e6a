// Signs in on a demo database the way a user does and saves pictures of the login window,
// the department chooser and the main window with its pending documents. Also prints how
// long the program took to a usable login window and to the main window after the chooser.
//
//   yjgl-screenshots --home DEMO_FOLDER --out FOLDER [--user NAME] [--password PW] [--department KS]
#include "app/ChildWindowServices.h"
#include "app/Startup.h"
#include "app/mainfrm.h"
#include "app/password.h"
#include "common/pages/Fonts.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

#include "common/core/ProgramFolder.h"

#include <unistd.h>

namespace {

// Milliseconds since the process started, read from the kernel so loading counts too.
double processAgeMs() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray statText = stat.readAll();
    // Fields after the command name, which may hold blanks, start after the last ')'.
    const QList<QByteArray> fields = statText.mid(statText.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble(); // field 22 of the whole line
    const double upSeconds = uptime.readAll().split(' ').value(0).toDouble();
    return (upSeconds - startTicks / double(sysconf(_SC_CLK_TCK))) * 1000.0;
}

void waitFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool save(QWidget* window, const QString& file) {
    const bool ok = window->grab().save(file, "PNG");
    QTextStream(stdout) << (ok ? "saved " : "could not save ") << QDir::toNativeSeparators(file) << Qt::endl;
    return ok;
}

QString option(const QStringList& args, const QString& name, const QString& fallback) {
    const int i = int(args.indexOf(name));
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString home = option(args, QStringLiteral("--home"), {});
    const QString out = option(args, QStringLiteral("--out"), QStringLiteral("docs/screenshots"));
    const QString user = option(args, QStringLiteral("--user"), QStringLiteral("李检验"));
    const QString pw = option(args, QStringLiteral("--password"), QStringLiteral("123"));
    const QString department = option(args, QStringLiteral("--department"), QStringLiteral("检验科"));
    QTextStream err(stderr);
    if (home.isEmpty()) {
        err << "usage: yjgl-screenshots --home DEMO_FOLDER [--out FOLDER] [--user NAME] [--password PW] "
               "[--department KS]"
            << Qt::endl;
        return 2;
    }
    QDir().mkpath(out);
    ProgramFolder::setOverride(home);
    setupChineseFonts();

    Startup::setCommandLine(QString(""));
    Startup::Main();
    password* login = Startup::loginWindow();
    if (!login || !login->isVisible()) {
        err << "the login window did not open (see the messages above)" << Qt::endl;
        return 1;
    }
    QApplication::processEvents();
    login->grab(); // a first paint: usable means drawn, fonts loaded
    const double loginMs = processAgeMs();
    const QString loginPicture = QDir(out).filePath(QStringLiteral("login.png"));
    const QString chooserPicture = QDir(out).filePath(QStringLiteral("selectks.png"));
    const QString mainPicture = QDir(out).filePath(QStringLiteral("mainfrm.png"));

    if (auto* combo = login->findChild<QComboBox*>(QStringLiteral("Combo1")))
        combo->setEditText(user);
    if (auto* text = login->findChild<QLineEdit*>(QStringLiteral("Text1")))
        text->setText(pw);
    save(login, loginPicture);

    // The chooser runs modally inside the sign-in: picture it, choose, confirm.
    QElapsedTimer sinceChoice;
    bool chooserSeen = false;
    QTimer chooserWatch;
    chooserWatch.setInterval(20);
    QObject::connect(&chooserWatch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != QLatin1String("SelectKS"))
            return;
        chooserWatch.stop();
        chooserSeen = true;
        if (auto* ks = modal->findChild<QComboBox*>(QStringLiteral("KS"))) {
            const int index = ks->findText(department);
            if (index >= 0)
                ks->setCurrentIndex(index);
        }
        save(modal, chooserPicture);
        sinceChoice.start();
        if (auto* ok = modal->findChild<QPushButton*>(QStringLiteral("Command1")))
            ok->click();
    });
    chooserWatch.start();
    const bool signedIn = login->TestUserPassword(user, pw);
    chooserWatch.stop();
    if (!signedIn || !chooserSeen) {
        err << "the sign-in did not reach the department chooser" << Qt::endl;
        return 1;
    }

    auto* main = qobject_cast<mainfrm*>(FindLoadedWindow(QStringLiteral("mainfrm")));
    while (sinceChoice.elapsed() < 5000 && !(main && main->isVisible() && main->activeChild())) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        main = qobject_cast<mainfrm*>(FindLoadedWindow(QStringLiteral("mainfrm")));
    }
    if (!main) {
        err << "the main window did not open" << Qt::endl;
        return 1;
    }
    main->grab();
    const qint64 mainMs = sinceChoice.elapsed();
    main->resize(1280, 800);
    waitFor(500); // let the pending list settle in its final size
    save(main, mainPicture);

    QTextStream(stdout)
        << QStringLiteral("login window usable: %1 ms after process start\n").arg(loginMs, 0, 'f', 0)
        << QStringLiteral("main window with pending documents: %1 ms after the chooser's OK\n").arg(mainMs);

    SetExitAppHook([] {});
    ExitApp();
    return 0;
}
