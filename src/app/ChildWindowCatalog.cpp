#include "app/ChildWindowCatalog.h"

#include "app/ChildWindowRegistry.h"

#include "app/password.h"
#include "execution/Mz_CKFY.h"

// Windows not listed here are not built yet; their commands stay disabled.

void RegisterLinkedWindows(ChildWindowRegistry& registry) {
    registry.add(QStringLiteral("Mz_CKFY"), [](QWidget* parent) -> QWidget* { return new Mz_CKFY(parent); });
    registry.add(QStringLiteral("password"),
                 [](QWidget* parent) -> QWidget* { return new password(parent); });
}
