#pragma once

#include <QRect>
#include <QString>

// Where the user left the main window: its rectangle as a normal window and whether it was
// maximised. Kept in YJGL.ini of the program folder, section "mainfrm"; nothing stored means
// the first start, which opens maximised.
namespace MainWindowPlacement {

struct Placement {
    QRect normal; // null when the window was never shown as a normal window
    bool maximized = true;
};

QString iniPath();
// False when nothing is stored yet.
bool load(Placement* placement);
bool save(const Placement& placement);

} // namespace MainWindowPlacement
