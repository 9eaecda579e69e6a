#include "output/CupsQueue.h"

#include "common/core/LateLibrary.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>

#include <cups/cups.h>

namespace CupsQueue {

namespace {

constexpr const char* kStopped = "5"; // IPP printer-state "stopped"

// libcups and what it links (TLS, Kerberos, Avahi) load with the first print job, not with the
// program: the program starts about as fast as a bare window only without them.
struct CupsApi {
    decltype(&cupsAddOption) addOption = nullptr;
    decltype(&cupsPrintFile2) printFile = nullptr;
    decltype(&cupsFreeOptions) freeOptions = nullptr;
    decltype(&cupsLastErrorString) lastErrorString = nullptr;
    decltype(&cupsLastError) lastError = nullptr;
    decltype(&cupsGetNamedDest) getNamedDest = nullptr;
    decltype(&cupsGetOption) getOption = nullptr;
    decltype(&cupsFreeDests) freeDests = nullptr;
    QString loadError; // empty once every entry is found
};

const CupsApi& cups() {
    static const CupsApi api = [] {
        CupsApi a;
        LateLibrary library(QStringLiteral("libcups.so.2"));
        library.resolve("cupsAddOption", &a.addOption);
        library.resolve("cupsPrintFile2", &a.printFile);
        library.resolve("cupsFreeOptions", &a.freeOptions);
        library.resolve("cupsLastErrorString", &a.lastErrorString);
        library.resolve("cupsLastError", &a.lastError);
        library.resolve("cupsGetNamedDest", &a.getNamedDest);
        library.resolve("cupsGetOption", &a.getOption);
        library.resolve("cupsFreeDests", &a.freeDests);
        a.loadError = library.error();
        return a;
    }();
    return api;
}

// "name/instance" as the printer list shows it: the queue is the name.
QByteArray queueName(const QString& printer) {
    return printer.section(QLatin1Char('/'), 0, 0).toUtf8();
}

} // namespace

PrintJobResult submit(const QString& printer, const QString& file, const QString& title,
                      const JobOptions& options) {
    PrintJobResult result;
    const CupsApi& api = cups();
    if (!api.loadError.isEmpty()) {
        result.state = PrintJobResult::State::Refused;
        result.reason = api.loadError;
        return result;
    }
    cups_option_t* list = nullptr;
    int count =
        api.addOption("copies", QByteArray::number(std::max(1, options.copies)).constData(), 0, &list);
    if (!options.sides.isEmpty())
        count = api.addOption("sides", options.sides.toUtf8().constData(), count, &list);
    const int id =
        api.printFile(CUPS_HTTP_DEFAULT, queueName(printer).constData(), QFile::encodeName(file).constData(),
                      title.toUtf8().constData(), count, list);
    api.freeOptions(count, list);

    if (id <= 0) {
        result.state = PrintJobResult::State::Refused;
        result.reason = QString::fromUtf8(api.lastErrorString());
        result.ippCode = QString::number(int(api.lastError()));
        return result;
    }
    result.jobId = id;
    result.state = isStopped(printer) ? PrintJobResult::State::Waiting : PrintJobResult::State::Accepted;
    return result;
}

bool isStopped(const QString& printer) {
    const CupsApi& api = cups();
    if (!api.loadError.isEmpty())
        return false;
    cups_dest_t* dest = api.getNamedDest(CUPS_HTTP_DEFAULT, queueName(printer).constData(), nullptr);
    if (!dest)
        return false;
    const char* state = api.getOption("printer-state", dest->num_options, dest->options);
    const bool stopped = state && qstrcmp(state, kStopped) == 0;
    api.freeDests(1, dest);
    return stopped;
}

} // namespace CupsQueue
