#include "output/ScannedNumberInput.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

ScannedNumberInput::ScannedNumberInput(QLineEdit* box, int length)
    : QObject(box), m_box(box), m_length(length), m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    m_timer->setInterval(kBurstGapMs);
    connect(m_timer, &QTimer::timeout, this, &ScannedNumberInput::release);
    box->installEventFilter(this);
}

void ScannedNumberInput::release() {
    m_timer->stop();
    if (m_held.isEmpty())
        return;
    const QString keys = m_held;
    m_held.clear();
    m_box->insert(keys); // as if typed: replaces the selection, then the box's own handling runs
}

bool ScannedNumberInput::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_box || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && m_held.size() >= m_length) {
        m_timer->stop();
        const QString number = m_held; // the scanned code alone, without what the box held
        m_held.clear();
        m_box->setText(number);
        m_box->end(false);
        return true;
    }
    const QString text = key->text();
    const bool plain = text.size() == 1 && text.at(0).isLetterOrNumber() &&
                       !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (!plain) {
        release(); // anything else keeps its order behind the held keys
        return false;
    }
    m_held.append(text);
    m_timer->start();
    return true;
}
