#include "common/core/Clock.h"

#include <cstdio>

namespace {
qint64 g_offsetMs = 0;
QDateTime g_fixed;
} // namespace

namespace Clock {

QDateTime now() {
    if (g_fixed.isValid())
        return g_fixed;
    const QDateTime local = QDateTime::currentDateTime();
    return g_offsetMs == 0 ? local : local.addMSecs(g_offsetMs);
}

QDate today() {
    return now().date();
}

void setServerOffsetMs(qint64 offset) {
    g_offsetMs = offset;
}

qint64 serverOffsetMs() {
    return g_offsetMs;
}

void followServerTime(const QDateTime& serverNow) {
    if (serverNow.isValid())
        g_offsetMs = QDateTime::currentDateTime().msecsTo(serverNow);
}

void setFixedNow(const QDateTime& fixed) {
    g_fixed = fixed;
}

QString secondsText(const QDateTime& time) {
    // Written for every execution (several times by its procedure): without a format pattern to
    // read each time.
    const QDate d = time.date();
    const QTime t = time.time();
    if (!d.isValid() || !t.isValid() || d.year() < 1000 || d.year() > 9999)
        return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", d.year(), d.month(),
                                d.day(), t.hour(), t.minute(), t.second());
    return QString::fromLatin1(text, n);
}

} // namespace Clock
