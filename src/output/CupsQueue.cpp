#include "output/CupsQueue.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>

#include <cups/cups.h>

namespace CupsQueue {

namespace {

constexpr const char* kStopped = "5"; // IPP printer-state "stopped"

// "name/instance" as the printer list shows it: the queue is the name.
QByteArray queueName(const QString& printer) {
    return printer.section(QLatin1Char('/'), 0, 0).toUtf8();
}

} // namespace

PrintJobResult submit(const QString& printer, const QString& file, const QString& title,
                      const JobOptions& options) {
    cups_option_t* list = nullptr;
    int count =
        cupsAddOption("copies", QByteArray::number(std::max(1, options.copies)).constData(), 0, &list);
    if (!options.sides.isEmpty())
        count = cupsAddOption("sides", options.sides.toUtf8().constData(), count, &list);
    const int id =
        cupsPrintFile2(CUPS_HTTP_DEFAULT, queueName(printer).constData(), QFile::encodeName(file).constData(),
                       title.toUtf8().constData(), count, list);
    cupsFreeOptions(count, list);

    PrintJobResult result;
    if (id <= 0) {
        result.state = PrintJobResult::State::Refused;
        result.reason = QString::fromUtf8(cupsLastErrorString());
        result.ippCode = QString::number(int(cupsLastError()));
        return result;
    }
    result.jobId = id;
    result.state = isStopped(printer) ? PrintJobResult::State::Waiting : PrintJobResult::State::Accepted;
    return result;
}

bool isStopped(const QString& printer) {
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queueName(printer).constData(), nullptr);
    if (!dest)
        return false;
    const char* state = cupsGetOption("printer-state", dest->num_options, dest->options);
    const bool stopped = state && qstrcmp(state, kStopped) == 0;
    cupsFreeDests(1, dest);
    return stopped;
}

} // namespace CupsQueue
