#pragma once

#include <QHash>
#include <QString>

#include <functional>

class QWidget;

// The windows the main window can open, by name. A command whose window is not registered
// stays disabled, so commands of windows that are not built yet do nothing by design.
// Tests register stand-ins under the real names.
class ChildWindowRegistry {
public:
    using Factory = std::function<QWidget*(QWidget* parent)>;

    // The program's registry, filled with the windows linked into the program.
    static ChildWindowRegistry& instance();

    void add(const QString& name, Factory factory);
    void remove(const QString& name);
    bool contains(const QString& name) const;
    // A new window of that name (its objectName is set to the name), or nullptr.
    QWidget* create(const QString& name, QWidget* parent = nullptr) const;

private:
    QHash<QString, Factory> m_factories;
};
