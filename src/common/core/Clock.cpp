#include "common/core/Clock.h"

namespace {
qint64 g_offsetMs = 0;
QDateTime g_fixed;
} // namespace

namespace Clock {

QDateTime now() {
    if (g_fixed.isValid())
        return g_fixed;
    return QDateTime::currentDateTime().addMSecs(g_offsetMs);
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

} // namespace Clock
