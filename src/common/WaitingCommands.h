#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QWidget;

// A window's commands that write or start output, disabled while the program waits for the
// database and given back afterwards the state each had before: a command its window had
// disabled stays disabled. Made by the window once its commands exist; a window opened while
// the program waits starts with them disabled.
class WaitingCommands : public QObject {
    Q_OBJECT
public:
    // The window's commands with these object names; a name the window lacks (a variant of the
    // window without that command) is passed over.
    WaitingCommands(QWidget* window, const QStringList& names);

    // A command the window built without a name of its own (a task panel's link).
    void add(QWidget* command);
    QList<QWidget*> commands() const;

private:
    struct Command {
        QPointer<QWidget> widget;
        bool enabledBefore = true;
    };

    void hold(Command& command);
    void setWaiting(bool waiting);

    QList<Command> m_commands;
    bool m_waiting = false;
};
