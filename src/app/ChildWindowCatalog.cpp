#include "ChildWindowCatalog.h"

#include "ChildWindowRegistry.h"

#include "Mz_CKFY.h"
#include "password.h"

// Windows not listed here are not built yet; their commands stay disabled.

void RegisterLinkedWindows(ChildWindowRegistry& registry) {
    registry.add(QStringLiteral("Mz_CKFY"), [](QWidget* parent) -> QWidget* { return new Mz_CKFY(parent); });
    registry.add(QStringLiteral("password"),
                 [](QWidget* parent) -> QWidget* { return new password(parent); });
}
