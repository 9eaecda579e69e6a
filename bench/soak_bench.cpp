// A day of the pending window on a demo database of its own: the five-second refresh run as
// often as in 24 hours (17,280 times), a document picked from the list every tenth time.
//   soak_bench [--refreshes N] [--documents N]
// Resident memory and open files are read after a warm-up (the first 500 refreshes) and at the
// end. Goals: memory at the end within 1.10 times that after the warm-up (soak_day_memory), and
// not one file more open (soak_day_files).
#include "BenchMessages.h"
#include "BenchSupport.h"
#include "common/SpreadGrid.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/demo/DemoDatabase.h"
#include "execution/Mz_CKFY.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using bench::out;

qint64 residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

qsizetype openFiles() {
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::AllEntries | QDir::System | QDir::Hidden)
        .size();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bench::Arguments args(app.arguments());
    const int refreshes = args.number(QStringLiteral("--refreshes"), 17280, 1000);
    DemoOptions options;
    options.documents = args.number(QStringLiteral("--documents"), 3000, 1);
    constexpr int kWarmup = 500;

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("hospital.db"));
    AppError error;
    if (!DemoDatabase::create(file, options, &error)) {
        out() << "cannot make the demo database: " << error.description << Qt::endl;
        return 1;
    }
    bench::PrintedMessages messages;
    Messages::install(&messages);
    resetGlobalConnection(QStringLiteral("Provider=SQLite;Data Source=") + file + QLatin1Char(';'));
    if (!gConn->open(&error)) {
        out() << "cannot open " << file << ": " << error.description << Qt::endl;
        return 1;
    }
    currentUser().GetUserName = QStringLiteral("基准用户");
    gExecDept = DemoDatabase::departments().value(0);

    Mz_CKFY window;
    window.show();
    QApplication::processEvents();
    auto* list = window.findChild<SpreadGrid*>(QStringLiteral("fpSpread1"));
    out() << "demo database of " << options.documents << " documents; " << gExecDept << " lists "
          << list->maxRows() << " pending; " << refreshes << " refreshes" << Qt::endl;

    qint64 warmKb = 0;
    qsizetype warmFiles = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= refreshes; ++i) {
        window.RefreshDJList();
        if (i % 10 == 0 && list->maxRows() > 0)
            emit list->cellClicked(1 + (i / 10) % list->maxRows(), 1);
        QApplication::processEvents();
        if (i == kWarmup) {
            warmKb = residentKb();
            warmFiles = openFiles();
        }
    }
    const qint64 endKb = residentKb();
    const qsizetype endFiles = openFiles();
    out() << "resident memory after " << kWarmup << " refreshes " << warmKb << " kB, after " << refreshes
          << " " << endKb << " kB; open files " << warmFiles << " and " << endFiles << "; " << messages.shown
          << " messages; " << timer.elapsed() / 1000 << " s" << Qt::endl;

    const double memory = warmKb > 0 ? double(endKb) / double(warmKb) : 999;
    const double files = warmFiles > 0 ? double(endFiles) / double(warmFiles) : 999;
    out() << "soak_day_memory ratio " << QString::number(memory, 'f', 3) << " limit 1.10" << Qt::endl;
    out() << "soak_day_files ratio " << QString::number(files, 'f', 3) << " limit 1.00" << Qt::endl;
    return memory <= 1.10 && files <= 1.0 && messages.shown == 0 ? 0 : 1;
}
