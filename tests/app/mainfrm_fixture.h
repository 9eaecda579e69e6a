#pragma once

#include "app/ChildWindowRegistry.h"
#include "app/ChildWindowServices.h"
#include "app/MainCommands.h"
#include "app/mainfrm.h"
#include "common/core/ProcessLauncher.h"
#include "common/core/Session.h"
#include "support/FakeProcessLauncher.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>
#include <QWidget>

// A child window as the main window sees one: a name, a caption, nothing else.
inline QWidget* makeStandIn(const QString& caption, QWidget* parent = nullptr) {
    auto* w = new QWidget(parent);
    w->setWindowTitle(caption);
    return w;
}

// Registers stand-ins for the given windows and removes every other known window, so the
// tests do not depend on which real windows are linked in.
class StandInWindows {
public:
    explicit StandInWindows(const QStringList& names) {
        for (const QString& name : allNames())
            ChildWindowRegistry::instance().remove(name);
        for (const QString& name : names)
            add(name);
    }
    ~StandInWindows() {
        for (const QString& name : allNames())
            ChildWindowRegistry::instance().remove(name);
    }
    void add(const QString& name, const QString& caption = {}) {
        const QString title = caption.isEmpty() ? name : caption;
        ChildWindowRegistry::instance().add(name, [this, name, title](QWidget* parent) -> QWidget* {
            ++created[name];
            return makeStandIn(title, parent);
        });
    }
    static QStringList allNames() {
        return {"Mz_CKFY", "Frm_FYCX", "Frm_TYCX",      "Frm_CKTY",   "Frm_wnl", "sjzd",     "password",
                "LockApp", "SetIme",   "ChangPassword", "Frm_Option", "about",   "Frm_FNBJ", "Frm_Help"};
    }
    QHash<QString, int> created;
};

// A test that reaches the real end of the program would end the test run as a success.
inline void GuardAgainstRealExit() {
    SetExitAppHook([] { qFatal("ExitApp reached the end of the program outside an ExitRecorder"); });
}

// Counts the calls of ExitApp's last step instead of quitting.
class ExitRecorder {
public:
    ExitRecorder() {
        SetExitAppHook([this] { ++calls; });
    }
    ~ExitRecorder() { GuardAgainstRealExit(); }
    int calls = 0;
};

inline QStringList childNames(const mainfrm& m) {
    QStringList names;
    for (QMdiSubWindow* sub : m.workspace()->subWindowList(QMdiArea::CreationOrder)) {
        if (sub->widget() && !sub->isHidden())
            names << sub->widget()->objectName();
    }
    return names;
}

inline QStringList childCaptions(const mainfrm& m) {
    QStringList captions;
    for (QMdiSubWindow* sub : m.workspace()->subWindowList(QMdiArea::CreationOrder)) {
        if (sub->widget() && !sub->isHidden())
            captions << sub->widget()->windowTitle();
    }
    return captions;
}

// Adds a window to the workspace directly, as a second instance or a foreign window would be.
inline QWidget* addForeignChild(mainfrm& m, const QString& name, const QString& caption) {
    QWidget* w = makeStandIn(caption);
    w->setObjectName(name);
    w->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow* sub = m.workspace()->addSubWindow(w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->show();
    return w;
}
