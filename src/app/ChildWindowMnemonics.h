#pragma once

#include <QObject>
#include <QPointer>

class QAbstractButton;
class QKeyEvent;
class QMdiArea;

// Alt+letter inside a child window presses the child's own button of that mnemonic on the
// first press. Child windows share the main window with the menu bar, so Qt would otherwise
// take "系统(&S)" and a button's "(&S)" for one ambiguous shortcut and only move the focus.
// Outside a child window, or when the child has no such button, the menu bar keeps the key.
class ChildWindowMnemonics : public QObject {
    Q_OBJECT
public:
    // Watches the key input of the whole application for the children of `workspace`.
    explicit ChildWindowMnemonics(QMdiArea* workspace);
    ~ChildWindowMnemonics() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The enabled, visible button of the focused child window whose mnemonic is the key.
    QAbstractButton* buttonFor(const QObject* receiver, const QKeyEvent* key) const;

    QPointer<QMdiArea> m_workspace;
};
