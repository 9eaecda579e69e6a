#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

// Controls placed at fixed positions, as the small set-up windows lay them out.
namespace PlacedControls {
// A word-wrapping label.
QLabel* addLabel(const QString& name, const QString& text, QWidget* parent, const QRect& rect);
// A button that does not take Enter as the window's default.
QPushButton* addButton(const QString& name, const QString& text, QWidget* parent, const QRect& rect);
} // namespace PlacedControls
