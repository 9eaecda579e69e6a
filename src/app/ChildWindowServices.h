#pragma once

#include <QList>
#include <QString>

#include <functional>

class QMdiSubWindow;
class QWidget;

// The loaded windows of the program, as one collection: every top-level window and every
// child window of a multiple-document area. A window's name is its objectName, its caption
// its windowTitle.
QList<QWidget*> LoadedWindows();
// The loaded window of that name, or nullptr.
QWidget* FindLoadedWindow(const QString& name);

// The frame of a child window in a multiple-document area (its parent widget), or nullptr for
// a top-level window.
QMdiSubWindow* FrameOf(QWidget* child);

// Maximises the first loaded window named `name` (a child window is also brought to the
// front); does nothing when none is loaded.
void ShowFormMax(const QString& name);

// Closes one loaded window (a child window together with its frame). False when the window
// refused to close.
bool UnloadWindow(QWidget* window);

// Ends the program: closes gConn, closes every loaded window, then runs the exit hook
// (quits the event loop). Errors are ignored.
void ExitApp();
// True from the start of ExitApp on: windows close without asking.
bool ExitAppInProgress();
// Replaces the last step of ExitApp (tests); an empty hook restores the real one.
// Also clears the in-progress flag.
void SetExitAppHook(std::function<void()> hook);
