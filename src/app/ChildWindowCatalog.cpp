#include "app/ChildWindowCatalog.h"

#include "app/ChildWindowRegistry.h"

#include "app/ChangPassword.h"
#include "app/LockApp.h"
#include "app/SetIme.h"
#include "app/password.h"
#include "dictionary/sjzd.h"
#include "execution/Mz_CKFY.h"
#include "queries/Frm_CZRZ.h"
#include "queries/Frm_FYCX.h"
#include "queries/Frm_TYCX.h"
#include "tools/Frm_Help.h"
#include "tools/Frm_wnl.h"
#include "tools/about.h"
#include "voiding/Frm_CKTY.h"
#include "voiding/Frm_Option.h"

// Windows not listed here are not built yet; their commands stay disabled.

void RegisterLinkedWindows(ChildWindowRegistry& registry) {
    registry.add(QStringLiteral("Mz_CKFY"), [](QWidget* parent) -> QWidget* { return new Mz_CKFY(parent); });
    registry.add(QStringLiteral("Frm_FYCX"),
                 [](QWidget* parent) -> QWidget* { return new Frm_FYCX(parent); });
    registry.add(QStringLiteral("Frm_TYCX"),
                 [](QWidget* parent) -> QWidget* { return new Frm_TYCX(parent); });
    registry.add(QStringLiteral("Frm_CZRZ"),
                 [](QWidget* parent) -> QWidget* { return new Frm_CZRZ(parent); });
    registry.add(QStringLiteral("Frm_CKTY"),
                 [](QWidget* parent) -> QWidget* { return new Frm_CKTY(parent); });
    registry.add(QStringLiteral("password"),
                 [](QWidget* parent) -> QWidget* { return new password(parent); });
    registry.add(QStringLiteral("LockApp"), [](QWidget* parent) -> QWidget* { return new LockApp(parent); });
    registry.add(QStringLiteral("ChangPassword"),
                 [](QWidget* parent) -> QWidget* { return new ChangPassword(parent); });
    registry.add(QStringLiteral("Frm_Option"),
                 [](QWidget* parent) -> QWidget* { return new Frm_Option(parent); });
    registry.add(QStringLiteral("Frm_wnl"), [](QWidget* parent) -> QWidget* { return new Frm_wnl(parent); });
    registry.add(QStringLiteral("Frm_Help"),
                 [](QWidget* parent) -> QWidget* { return new Frm_Help(parent); });
    registry.add(QStringLiteral("about"), [](QWidget* parent) -> QWidget* { return new about(parent); });
    registry.add(QStringLiteral("SetIme"), [](QWidget* parent) -> QWidget* { return new SetIme(parent); });
    registry.add(QStringLiteral("sjzd"), [](QWidget* parent) -> QWidget* { return new sjzd(parent); });
}
