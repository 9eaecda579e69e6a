#include "app/ChildWindowServices.h"

#include "db/Connection.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <cstdlib>

namespace {

bool g_exiting = false;
std::function<void()> g_exitHook;

bool isOrdinaryWindow(const QWidget* w) {
    const Qt::WindowType type = w->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

void realExit() {
    // Before the event loop runs (a start-up failure), quitting the loop would do nothing.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
    else
        std::exit(0);
}

} // namespace

QMdiSubWindow* FrameOf(QWidget* child) {
    return child ? qobject_cast<QMdiSubWindow*>(child->parentWidget()) : nullptr;
}

QList<QWidget*> LoadedWindows() {
    QList<QWidget*> windows;
    const QWidgetList tops = QApplication::topLevelWidgets();
    for (QWidget* top : tops) {
        if (!isOrdinaryWindow(top))
            continue;
        windows.append(top);
        const QList<QMdiArea*> areas = top->findChildren<QMdiArea*>();
        for (QMdiArea* area : areas) {
            for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder)) {
                if (sub->widget())
                    windows.append(sub->widget());
            }
        }
    }
    return windows;
}

QWidget* FindLoadedWindow(const QString& name) {
    for (QWidget* w : LoadedWindows()) {
        if (w->objectName() == name)
            return w;
    }
    return nullptr;
}

void ShowFormMax(const QString& name) {
    QWidget* window = FindLoadedWindow(name);
    if (!window)
        return;
    if (QMdiSubWindow* sub = FrameOf(window)) {
        sub->showMaximized();
        if (QMdiArea* area = sub->mdiArea())
            area->setActiveSubWindow(sub);
        window->show();
        return;
    }
    window->showMaximized();
    window->raise();
}

bool UnloadWindow(QWidget* window) {
    if (!window)
        return false;
    QPointer<QWidget> guard(window);
    if (QMdiSubWindow* sub = FrameOf(window)) {
        QPointer<QMdiSubWindow> frame(sub);
        const bool closed = sub->close();
        if (closed && frame)
            frame->deleteLater();
        return closed;
    }
    return window->close();
}

void ExitApp() {
    g_exiting = true;
    if (gConn)
        gConn->close();
    // Children first, so that a frame closes after what it holds.
    QList<QPointer<QWidget>> windows;
    const QList<QWidget*> loaded = LoadedWindows();
    for (auto it = loaded.crbegin(); it != loaded.crend(); ++it)
        windows.append(*it);
    for (const QPointer<QWidget>& w : windows) {
        if (w)
            UnloadWindow(w);
    }
    if (g_exitHook)
        g_exitHook();
    else
        realExit();
}

bool ExitAppInProgress() {
    return g_exiting;
}

void SetExitAppHook(std::function<void()> hook) {
    g_exitHook = std::move(hook);
    g_exiting = false;
}
