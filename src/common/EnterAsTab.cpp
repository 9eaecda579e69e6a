#include "common/EnterAsTab.h"

#include "common/CleanControl.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>

namespace {

bool isEnter(int keyCode) {
    return keyCode == 13 || keyCode == Qt::Key_Return || keyCode == Qt::Key_Enter;
}

bool isMultiLine(const QWidget* w) {
    return qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w);
}

// The window's control that holds the focus: the combo box or date picker itself rather
// than its inner line edit.
QWidget* activeControl(QWidget* window, const QList<QWidget*>& controls) {
    QWidget* focus = window->focusWidget();
    if (!focus)
        return nullptr;
    for (QWidget* w = focus; w && w != window; w = w->parentWidget())
        if (controls.contains(w))
            return w;
    return focus;
}

bool takesTab(const QWidget* w) {
    return (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(w->window());
}

// The control that Tab moves to from `from`, in the window's focus chain; nullptr when `from`
// is the last one (Tab then wraps round to the first).
QWidget* nextInTabOrder(QWidget* window, QWidget* from, const QList<QWidget*>& controls) {
    for (QWidget* w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain()) {
        if (w == window)
            return nullptr; // came round past the end of the chain
        if (!window->isAncestorOf(w) || !takesTab(w))
            continue;
        if (controls.contains(w))
            return w;
        // The inner line edit of a combo box stands for the combo box.
        for (QWidget* c = w->parentWidget(); c && c != window; c = c->parentWidget())
            if (controls.contains(c) && c != from)
                return c;
    }
    return nullptr;
}

} // namespace

void EnterAsTab(QWidget* window, int& keyCode) {
    if (!isEnter(keyCode) || !window)
        return;
    // One walk of the window's controls serves both lookups.
    const QList<QWidget*> controls = CleanControl::formControls(window);
    QWidget* active = activeControl(window, controls);
    if (!active || isMultiLine(active))
        return;

    QPointer<QComboBox> rememberedCombo = qobject_cast<QComboBox*>(active);
    const QString rememberedText = rememberedCombo ? rememberedCombo->currentText() : QString();

    QWidget* next = nextInTabOrder(window, active, controls);
    keyCode = 0;
    if (!next) {
        // The last control: Enter only does what Tab does.
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(window->focusWidget(), &tab);
        return;
    }
    next->setFocus(Qt::TabFocusReason);
    if (auto* combo = qobject_cast<QComboBox*>(next)) {
        combo->showPopup();
        window->unsetCursor();
        if (rememberedCombo && rememberedCombo->currentText() != rememberedText) {
            if (rememberedCombo->isEditable())
                rememberedCombo->setEditText(rememberedText);
            else
                rememberedCombo->setCurrentIndex(rememberedCombo->findText(rememberedText));
        }
        return;
    }
    if (auto* line = qobject_cast<QLineEdit*>(next); line && line->isEnabled())
        line->selectAll();
}

EnterAsTabFilter::EnterAsTabFilter(QWidget* window) : QObject(window), m_window(window) {
    // Enter pressed in any control reaches the window first, as with a key preview.
    qApp->installEventFilter(this);
}

bool EnterAsTabFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || (target != m_window && !m_window->isAncestorOf(target)))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    int code = key->key();
    if (code != Qt::Key_Return && code != Qt::Key_Enter)
        return false;
    // An open drop-down list takes Enter as its choice.
    if (auto* combo = qobject_cast<QComboBox*>(target); combo && combo->view()->isVisible())
        return false;
    EnterAsTab(m_window, code);
    return code == 0;
}
