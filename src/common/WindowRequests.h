#pragma once

#include <QString>

#include <functional>

// How a child window asks the main window for another window ("作废单据查询(&S)" opening the
// voided-documents query) without knowing the main window. The main window installs the two
// answers; with nothing installed no window can be opened and buttons that need one stay disabled.
namespace WindowRequests {

using CanOpen = std::function<bool(const QString& name)>;
using Open = std::function<void(const QString& name)>;

void install(CanOpen canOpen, Open open);
void uninstall();

// Whether a window of that name is built into this program.
bool canOpen(const QString& name);
// Opens the window, or brings it forward maximised when it is open already.
void open(const QString& name);

} // namespace WindowRequests
