#include "common/PlacedControls.h"

#include <QLabel>
#include <QPushButton>

namespace PlacedControls {

QLabel* addLabel(const QString& name, const QString& text, QWidget* parent, const QRect& rect) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(rect);
    label->setWordWrap(true);
    return label;
}

QPushButton* addButton(const QString& name, const QString& text, QWidget* parent, const QRect& rect) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(rect);
    button->setAutoDefault(false);
    return button;
}

} // namespace PlacedControls
