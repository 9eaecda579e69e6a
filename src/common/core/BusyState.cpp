#include "common/core/BusyState.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace {

bool onProgramThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

BusyState::Guard::Guard(Kind kind) : m_kind(kind) {
    if (!onProgramThread())
        return;
    m_counted = true;
    instance().enter(kind);
}

BusyState::Guard::~Guard() {
    if (m_counted)
        instance().leave(m_kind);
}

BusyState::BusyState() {
    m_waitingTimer = new QTimer(this);
    m_waitingTimer->setSingleShot(true);
    m_waitingTimer->setInterval(WaitingAfterMs);
    connect(m_waitingTimer, &QTimer::timeout, this, [this] { setWaiting(m_database > 0); });
}

BusyState& BusyState::instance() {
    // Made on the program's thread by the first guard (or window) that asks.
    static BusyState* state = new BusyState;
    return *state;
}

void BusyState::enter(Kind kind) {
    if (kind == Kind::Work) {
        ++m_work;
        return;
    }
    if (m_database++ == 0)
        m_waitingTimer->start();
}

void BusyState::leave(Kind kind) {
    if (kind == Kind::Work) {
        --m_work;
    } else if (--m_database == 0) {
        m_waitingTimer->stop();
        setWaiting(false);
    }
    if (!underWay())
        emit idle();
}

void BusyState::setWaiting(bool waiting) {
    if (waiting == m_waiting)
        return;
    m_waiting = waiting;
    emit waitingChanged(waiting);
}
