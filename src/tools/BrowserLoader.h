#pragma once

#include <QString>
#include <QStringList>

class BrowserPlugin;

// Loads the browser library on first use and keeps it for the rest of the run.
namespace BrowserLoader {

// The library's entry; null when it cannot be loaded (error says why).
[[nodiscard]] BrowserPlugin* plugin(QString* error);
// Folders searched for the library, in order: YJGL_PLUGIN_DIR when set, then the library folder
// beside the program's folder (build tree and installed layout alike).
QStringList searchFolders();
// True once the library has been loaded in this run.
bool loaded();

} // namespace BrowserLoader
