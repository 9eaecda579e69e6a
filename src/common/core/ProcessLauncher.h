#pragma once

#include <QString>
#include <QStringList>

// Starting other programs goes through this service; tests install a recorder.
class IProcessLauncher {
public:
    virtual ~IProcessLauncher() = default;
    // Starts a program detached; false when it could not be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
};

namespace ProcessLauncher {
IProcessLauncher& service();
void install(IProcessLauncher* launcher); // nullptr restores the real one
// Opens a file or web address with the desktop's associated program ("xdg-open" on Linux,
// the shell's "open" on Windows); false when that could not be started.
bool openWithAssociatedProgram(const QString& fileOrAddress);
} // namespace ProcessLauncher
