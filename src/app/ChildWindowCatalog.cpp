#include "ChildWindowCatalog.h"

#include "ChildWindowRegistry.h"

// The build defines YJGL_HAVE_<window> for each window whose library is linked in; the
// commands of the others stay disabled.
#ifdef YJGL_HAVE_MZ_CKFY
#include "Mz_CKFY.h"
#endif
#ifdef YJGL_HAVE_PASSWORD
#include "password.h"
#endif

void RegisterLinkedWindows(ChildWindowRegistry& registry) {
#ifdef YJGL_HAVE_MZ_CKFY
    registry.add(QStringLiteral("Mz_CKFY"), [](QWidget* parent) -> QWidget* { return new Mz_CKFY(parent); });
#endif
#ifdef YJGL_HAVE_PASSWORD
    registry.add(QStringLiteral("password"),
                 [](QWidget* parent) -> QWidget* { return new password(parent); });
#endif
    (void)registry;
}
