#include "Themes.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace {

int g_current = -1;

// Light blue, matching the windows' own background colour 192/221/250.
QPalette lightBluePalette() {
    QPalette p;
    const QColor window(214, 230, 250);
    const QColor base(255, 255, 255);
    const QColor button(200, 221, 248);
    const QColor highlight(49, 106, 197);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, QColor(0, 0, 0));
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(232, 241, 252));
    p.setColor(QPalette::Text, QColor(0, 0, 0));
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, QColor(0, 0, 0));
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    p.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
    p.setColor(QPalette::ToolTipText, QColor(0, 0, 0));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    return p;
}

// Warm beige, the look of the older office programs.
QPalette warmPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(246, 238, 222));
    p.setColor(QPalette::WindowText, QColor(40, 30, 20));
    p.setColor(QPalette::Base, QColor(255, 252, 245));
    p.setColor(QPalette::AlternateBase, QColor(250, 243, 230));
    p.setColor(QPalette::Text, QColor(40, 30, 20));
    p.setColor(QPalette::Button, QColor(238, 226, 200));
    p.setColor(QPalette::ButtonText, QColor(40, 30, 20));
    p.setColor(QPalette::Highlight, QColor(255, 189, 105));
    p.setColor(QPalette::HighlightedText, QColor(0, 0, 0));
    p.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
    p.setColor(QPalette::ToolTipText, QColor(0, 0, 0));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(150, 140, 125));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(150, 140, 125));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(150, 140, 125));
    return p;
}

// Dark, high contrast.
QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 45, 48));
    p.setColor(QPalette::WindowText, QColor(240, 240, 240));
    p.setColor(QPalette::Base, QColor(30, 30, 30));
    p.setColor(QPalette::AlternateBase, QColor(50, 50, 54));
    p.setColor(QPalette::Text, QColor(240, 240, 240));
    p.setColor(QPalette::Button, QColor(60, 60, 64));
    p.setColor(QPalette::ButtonText, QColor(240, 240, 240));
    p.setColor(QPalette::BrightText, QColor(255, 80, 80));
    p.setColor(QPalette::Highlight, QColor(0, 122, 204));
    p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    p.setColor(QPalette::Link, QColor(86, 156, 214));
    p.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
    p.setColor(QPalette::ToolTipText, QColor(240, 240, 240));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(127, 127, 127));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(127, 127, 127));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(127, 127, 127));
    return p;
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
        QApplication::setPalette(darkPalette());
        break;
    }
    g_current = theme;
}

} // namespace Themes
