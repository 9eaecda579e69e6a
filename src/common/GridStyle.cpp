#include "common/GridStyle.h"

#include "common/SpreadGrid.h"

namespace {
// Colour values are written as the platform writes them, 0x00BBGGRR.
QColor fromBgr(quint32 bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}
} // namespace

void StyleGrid(SpreadGrid* grid, bool& keepRows) {
    if (!grid)
        return;
    grid->setBackColor(fromBgr(0xFFFFFF));
    grid->setGrayAreaBackColor(fromBgr(0xFFFFFF));
    grid->setSelForeColor(fromBgr(0x0000FF));
    if (!keepRows)
        grid->setMaxRows(0);
}

void StyleGridHighlight(SpreadGrid* grid, bool& keepRows) {
    if (!grid)
        return;
    grid->setSelBackColor(fromBgr(0xFFC0C0));
    grid->setShadowColor(fromBgr(0xFADDC0));
    grid->setSelForeColor(fromBgr(0x0000FF));
    grid->setGrayAreaBackColor(fromBgr(0xFADDC0));
    grid->setBackColor(fromBgr(0xFFFFFF));
    if (!keepRows)
        grid->setMaxRows(0);
}
