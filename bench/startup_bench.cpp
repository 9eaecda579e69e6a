// Start-up: from the process start to its first painted window, and the peak resident memory
// until shortly after, for the program (its login window on a small demo database) and for a
// bare Qt window with the same captions in the same fonts. Both run under a real X server
// (Xvfb) started here; a window counts as painted when the client first draws into it (the X
// DAMAGE extension reports it), which the server sees the same way for both programs.
//   startup_bench PROGRAM BARE HOME [--runs N]
// HOME is the program folder (DatabaseSet.data and hospital.db; LBReg beside it).
#include "bench/BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <X11/Xlib.h>

#include <csignal>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

// The two entries of libXdamage this bench needs, loaded at run time (its header need not be
// installed).
using Damage = XID;
using DamageQueryExtension = Bool (*)(Display*, int*, int*);
using DamageCreate = Damage (*)(Display*, Drawable, int);

namespace {

constexpr int kDamageReportNonEmpty = 3;
constexpr int kDamageNotify = 0;

struct Xvfb {
    pid_t pid = -1;
    QString display;
};

// Starts Xvfb on a free display (it names it through a pipe).
Xvfb startXvfb() {
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    Xvfb x;
    x.pid = fork();
    if (x.pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // The number ends with a line feed; the pipe stays open until then, or the server fails.
    QByteArray number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number.append(c);
    close(fds[0]);
    if (number.isEmpty())
        return {};
    x.display = QLatin1Char(':') + QString::fromLatin1(number);
    return x;
}

int ignoreErrors(Display*, XErrorEvent*) {
    return 0; // windows that cannot be watched (input only) or are gone already
}

long peakKb(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// The window's title as the client set it (UTF-8).
QString titleOf(Display* display, Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, left = 0;
    unsigned char* data = nullptr;
    const Atom name = XInternAtom(display, "_NET_WM_NAME", False);
    QString title;
    if (XGetWindowProperty(display, window, name, 0, 256, False, AnyPropertyType, &type, &format, &items,
                           &left, &data) == Success &&
        data)
        title = QString::fromUtf8(reinterpret_cast<const char*>(data), int(items));
    if (data)
        XFree(data);
    return title;
}

struct Start {
    double ms = -1;
    double peakMb = -1;
    QString title;
};

// Starts the program, waits for its first painted top-level window, lets it settle, reads its
// peak memory and ends it.
Start measure(Display* display, int damageBase, DamageCreate damageCreate, const QString& program,
              const QStringList& env) {
    Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = fork();
    if (pid == 0) {
        for (const QString& e : env)
            putenv(strdup(e.toLocal8Bit().constData()));
        const QByteArray path = program.toLocal8Bit();
        execl(path.constData(), path.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    Start s;
    QList<Window> mapped;
    while (s.ms < 0 && clock.elapsed() < 60000) {
        if (!XPending(display)) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                bench::out() << "  " << program << " ended before it showed a window" << Qt::endl;
                return {};
            }
            usleep(200);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == CreateNotify) {
            damageCreate(display, event.xcreatewindow.window, kDamageReportNonEmpty);
        } else if (event.type == MapNotify) {
            mapped.append(event.xmap.window);
        } else if (event.type == damageBase + kDamageNotify && mapped.contains(event.xany.window)) {
            s.ms = double(clock.nsecsElapsed()) / 1e6;
            s.title = titleOf(display, event.xany.window);
        }
    }
    usleep(300 * 1000); // what the window does right after it shows counts to its memory
    s.peakMb = double(peakKb(pid)) / 1024.0;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    XSelectInput(display, root, NoEventMask);
    XSync(display, True);
    return s;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const bench::Arguments args(app.arguments());
    if (args.words().size() != 3) {
        bench::out() << "usage: startup_bench PROGRAM BARE HOME [--runs N]" << Qt::endl;
        return 2;
    }
    const QString program = args.words().at(0);
    const QString bare = args.words().at(1);
    const QString home = QDir(args.words().at(2)).absolutePath();
    const int runs = args.number(QStringLiteral("--runs"), 9, 1);

    QTemporaryDir runtime; // the programs' XDG_RUNTIME_DIR
    const Xvfb x = startXvfb();
    if (x.pid <= 0) {
        bench::out() << "Xvfb could not be started" << Qt::endl;
        return 1;
    }
    void* damage = dlopen("libXdamage.so.1", RTLD_NOW);
    const auto damageQuery =
        damage ? reinterpret_cast<DamageQueryExtension>(dlsym(damage, "XDamageQueryExtension")) : nullptr;
    const auto damageCreate =
        damage ? reinterpret_cast<DamageCreate>(dlsym(damage, "XDamageCreate")) : nullptr;
    Display* display = XOpenDisplay(x.display.toLocal8Bit().constData());
    int damageBase = 0;
    int errorBase = 0;
    if (!display || !damageQuery || !damageCreate || !damageQuery(display, &damageBase, &errorBase)) {
        bench::out() << "no X display with the DAMAGE extension at " << x.display << Qt::endl;
        kill(x.pid, SIGTERM);
        return 1;
    }
    XSetErrorHandler(&ignoreErrors);

    const QStringList env = {QStringLiteral("DISPLAY=") + x.display, QStringLiteral("QT_QPA_PLATFORM=xcb"),
                             QStringLiteral("YJGL_HOME=") + home, QStringLiteral("LC_ALL=C.UTF-8"),
                             QStringLiteral("XDG_RUNTIME_DIR=") + runtime.path()};
    // The goals take the first paint and the peak; a side's timed span also holds its settling.
    std::vector<double> programMs, bareMs, programPeak, barePeak;
    const auto side = [&](const QString& path, std::vector<double>& ms, std::vector<double>& peaks) {
        return [&, path](int count) {
            const Start s = measure(display, damageBase, damageCreate, path, env);
            if (s.ms < 0)
                return false;
            if (count == 0)
                bench::out() << "  " << QFileInfo(path).fileName() << " paints first: " << s.title
                             << Qt::endl;
            if (count >= 2) { // after the warm-up
                ms.push_back(s.ms);
                peaks.push_back(s.peakMb);
            }
            return true;
        };
    };
    const bench::Pair pair =
        bench::alternate(2, runs, side(program, programMs, programPeak), side(bare, bareMs, barePeak));
    bench::Pair paint;
    paint.a = bench::spreadOf(programMs);
    paint.b = bench::spreadOf(bareMs);
    paint.complete = pair.complete;
    bench::Pair memory;
    memory.a = bench::spreadOf(programPeak);
    memory.b = bench::spreadOf(barePeak);
    memory.complete = pair.complete;

    bench::reportGoal(QStringLiteral("startup_first_paint"),
                      QStringLiteral("process start to the first painted window (ms), Xvfb"),
                      QStringLiteral("program (login window)"),
                      QStringLiteral("bare Qt window, same captions"), paint, 1.3);
    bench::out() << "peak resident memory (MB), 300 ms after the first paint\n";
    for (const auto& [name, s] : {std::pair{QStringLiteral("program (login window)"), memory.a},
                                  std::pair{QStringLiteral("bare Qt window, same captions"), memory.b}})
        bench::out() << QStringLiteral("  %1 min %2 MB, median %3 MB, max %4 MB (%5 runs)\n")
                            .arg(name, -44)
                            .arg(s.min, 0, 'f', 1)
                            .arg(s.median, 0, 'f', 1)
                            .arg(s.max, 0, 'f', 1)
                            .arg(s.runs);
    const double ratio = memory.complete && memory.b.median > 0 ? memory.a.median / memory.b.median : 999;
    bench::out() << "startup_peak_memory ratio " << QString::number(ratio, 'f', 3) << " limit 1.50"
                 << Qt::endl;
    XCloseDisplay(display);
    kill(x.pid, SIGTERM);
    waitpid(x.pid, nullptr, 0);
    return pair.complete ? 0 : 1;
}
