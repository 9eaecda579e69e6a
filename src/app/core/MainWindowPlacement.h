#pragma once

#include <QRect>
#include <QString>

// Where the user left the main window: its rectangle as a normal window and whether it was
// maximised. Kept in YJGL.ini of the program folder, section "mainfrm"; nothing stored means
// the first start, which opens maximised.
namespace MainWindowPlacement {

struct Placement {
    QRect normal; // as a normal window: the frame's top left and the inner size; null when unknown
    bool maximized = true;
};

QString iniPath();
// False when nothing is stored yet.
bool load(Placement* placement);
bool save(const Placement& placement);
// `normal` moved (and shrunk where it is larger) so that it lies wholly inside `screen`: a
// title bar above the top edge, or a window left on a screen that is gone, comes back.
QRect onScreen(const QRect& normal, const QRect& screen);

} // namespace MainWindowPlacement
