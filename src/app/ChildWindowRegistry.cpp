#include "app/ChildWindowRegistry.h"

#include "app/ChildWindowCatalog.h"

#include <QWidget>

ChildWindowRegistry& ChildWindowRegistry::instance() {
    static ChildWindowRegistry registry = [] {
        ChildWindowRegistry r;
        RegisterLinkedWindows(r);
        return r;
    }();
    return registry;
}

void ChildWindowRegistry::add(const QString& name, Factory factory) {
    if (factory)
        m_factories.insert(name, std::move(factory));
    else
        m_factories.remove(name);
}

void ChildWindowRegistry::remove(const QString& name) {
    m_factories.remove(name);
}

bool ChildWindowRegistry::contains(const QString& name) const {
    return m_factories.contains(name);
}

QWidget* ChildWindowRegistry::create(const QString& name, QWidget* parent) const {
    const auto it = m_factories.constFind(name);
    if (it == m_factories.constEnd())
        return nullptr;
    QWidget* window = (*it)(parent);
    if (window)
        window->setObjectName(name);
    return window;
}
