#include "app/password.h"

#include "app/mainfrm.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/audit/AuditTrail.h"
#include "execution/SelectKS.h"

#include <QApplication>

namespace {

mainfrm* runningMainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<mainfrm*>(w))
            return main;
    }
    return nullptr;
}

} // namespace

password::Flow password::defaultFlow() {
    Flow f;
    f.chooseDepartment = [](QWidget* loginWindow) {
        // After a hand-off the login window was never shown: the chooser then centres on the
        // screen instead of over that window's unused place in the corner.
        SelectKS chooser(loginWindow && loginWindow->isVisible() ? loginWindow : nullptr);
        return chooser.exec() == QDialog::Accepted;
    };
    f.showMainWindow = [] {
        // A start-up run again from the settings dialog's retry finds the main window still
        // there: the program keeps that one instead of opening a second.
        if (mainfrm* running = runningMainWindow()) {
            running->setPanelText(4, gUser ? gUser->GetUserName : QString());
            running->show();
            running->raise();
            running->activateWindow();
            return;
        }
        // Lives to the end of the run; ExitApp unloads it.
        auto* main = new mainfrm;
        main->showPlaced();
        // Once per run: the trail is off, or the chain no longer holds this workstation's row.
        const QString audit = AuditTrail::startNotice();
        if (!audit.isEmpty())
            Messages::notice(audit);
    };
    f.showOperator = [](const QString& text) {
        if (mainfrm* main = runningMainWindow())
            main->setPanelText(4, text);
    };
    return f;
}
