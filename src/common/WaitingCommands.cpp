#include "common/WaitingCommands.h"

#include "common/core/BusyState.h"

#include <QWidget>

WaitingCommands::WaitingCommands(QWidget* window, const QStringList& names) : QObject(window) {
    setObjectName(QStringLiteral("WaitingCommands"));
    for (const QString& name : names)
        if (auto* command = window->findChild<QWidget*>(name))
            add(command);
    connect(&BusyState::instance(), &BusyState::waitingChanged, this, &WaitingCommands::setWaiting);
    if (BusyState::instance().waitingForDatabase())
        setWaiting(true);
}

void WaitingCommands::add(QWidget* command) {
    if (!command)
        return;
    m_commands.append({command, true});
    if (m_waiting)
        hold(m_commands.last());
}

QList<QWidget*> WaitingCommands::commands() const {
    QList<QWidget*> widgets;
    for (const Command& c : m_commands)
        if (c.widget)
            widgets.append(c.widget);
    return widgets;
}

void WaitingCommands::hold(Command& command) {
    // The command's own state, not the one it shows because a frame around it is disabled.
    command.enabledBefore = !command.widget->testAttribute(Qt::WA_ForceDisabled);
    command.widget->setEnabled(false);
}

void WaitingCommands::setWaiting(bool waiting) {
    if (waiting == m_waiting)
        return;
    m_waiting = waiting;
    for (Command& c : m_commands) {
        if (!c.widget)
            continue;
        if (waiting)
            hold(c);
        else
            c.widget->setEnabled(c.enabledBefore);
    }
}
