#include "app/Themes.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace {

int g_current = -1;

// The colours that make one look; everything else keeps the style's standard palette.
struct PaletteColors {
    QColor window, text, base, alternateBase, button, highlight, highlightedText;
    QColor toolTipBase, toolTipText, disabledText;
};

QPalette paletteOf(const PaletteColors& c) {
    QPalette p;
    p.setColor(QPalette::Window, c.window);
    p.setColor(QPalette::WindowText, c.text);
    p.setColor(QPalette::Base, c.base);
    p.setColor(QPalette::AlternateBase, c.alternateBase);
    p.setColor(QPalette::Text, c.text);
    p.setColor(QPalette::Button, c.button);
    p.setColor(QPalette::ButtonText, c.text);
    p.setColor(QPalette::Highlight, c.highlight);
    p.setColor(QPalette::HighlightedText, c.highlightedText);
    p.setColor(QPalette::ToolTipBase, c.toolTipBase);
    p.setColor(QPalette::ToolTipText, c.toolTipText);
    p.setColor(QPalette::Disabled, QPalette::WindowText, c.disabledText);
    p.setColor(QPalette::Disabled, QPalette::Text, c.disabledText);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, c.disabledText);
    return p;
}

// Light blue, matching the windows' own background colour 192/221/250.
QPalette lightBluePalette() {
    return paletteOf({QColor(214, 230, 250), QColor(0, 0, 0), QColor(255, 255, 255), QColor(232, 241, 252),
                      QColor(200, 221, 248), QColor(49, 106, 197), QColor(255, 255, 255),
                      QColor(255, 255, 225), QColor(0, 0, 0), QColor(128, 128, 128)});
}

// Warm beige, the look of the older office programs.
QPalette warmPalette() {
    return paletteOf({QColor(246, 238, 222), QColor(40, 30, 20), QColor(255, 252, 245), QColor(250, 243, 230),
                      QColor(238, 226, 200), QColor(255, 189, 105), QColor(0, 0, 0), QColor(255, 255, 225),
                      QColor(0, 0, 0), QColor(150, 140, 125)});
}

// Silver, the metallic look of the native desktop. Kept light like the others: the child
// windows paint their own light blue, on which light text would vanish.
QPalette silverPalette() {
    return paletteOf({QColor(206, 209, 218), QColor(0, 0, 0), QColor(255, 255, 255), QColor(232, 234, 240),
                      QColor(218, 221, 230), QColor(88, 98, 134), QColor(255, 255, 255),
                      QColor(255, 255, 225), QColor(0, 0, 0), QColor(128, 128, 128)});
}

} // namespace

namespace Themes {

int current() {
    return g_current;
}

QString styleName(int theme) {
    if (theme == Office2003 && QStyleFactory::keys().contains(QStringLiteral("Windows"), Qt::CaseInsensitive))
        return QStringLiteral("Windows");
    return QStringLiteral("Fusion");
}

void apply(int theme) {
    if (theme < 0 || theme >= Count)
        return;
    if (QStyle* style = QStyleFactory::create(styleName(theme)))
        QApplication::setStyle(style);
    switch (theme) {
    case OfficeXP:
        QApplication::setPalette(lightBluePalette());
        break;
    case Default:
        QApplication::setPalette(QApplication::style()->standardPalette());
        break;
    case Office2003:
        QApplication::setPalette(warmPalette());
        break;
    case NativeXP:
        QApplication::setPalette(silverPalette());
        break;
    }
    g_current = theme;
}

} // namespace Themes
