#include "app/ChildWindowMnemonics.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>

ChildWindowMnemonics::ChildWindowMnemonics(QMdiArea* workspace) : QObject(workspace), m_workspace(workspace) {
    qApp->installEventFilter(this);
}

ChildWindowMnemonics::~ChildWindowMnemonics() {
    qApp->removeEventFilter(this);
}

QAbstractButton* ChildWindowMnemonics::buttonFor(const QObject* receiver, const QKeyEvent* key) const {
    if (!m_workspace || !receiver->isWidgetType())
        return nullptr;
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::AltModifier || key->key() < Qt::Key_0 || key->key() > Qt::Key_Z)
        return nullptr;
    // Only keys typed in a child window: its frame is a sub-window of this workspace.
    QMdiSubWindow* frame = nullptr;
    for (auto* w = static_cast<const QWidget*>(receiver); w && !w->isWindow(); w = w->parentWidget()) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget());
            sub && sub->mdiArea() == m_workspace) {
            frame = sub;
            break;
        }
    }
    if (!frame || !frame->widget())
        return nullptr;
    const QKeySequence pressed(Qt::AltModifier | Qt::Key(key->key()));
    const QList<QAbstractButton*> buttons = frame->widget()->findChildren<QAbstractButton*>();
    for (QAbstractButton* button : buttons) {
        if (button->isVisible() && button->isEnabled() &&
            QKeySequence::mnemonic(button->text()).matches(pressed) == QKeySequence::ExactMatch)
            return button;
    }
    return nullptr;
}

bool ChildWindowMnemonics::eventFilter(QObject* watched, QEvent* event) {
    // Accepting the override keeps the shortcut map (the menu bar) out of it; the key then
    // arrives as a key press, which presses the button.
    if (event->type() == QEvent::ShortcutOverride) {
        if (buttonFor(watched, static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress) {
        if (QAbstractButton* button = buttonFor(watched, static_cast<QKeyEvent*>(event))) {
            button->setFocus(Qt::ShortcutFocusReason);
            button->click();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
