#include "common/NamedControls.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace NamedControls {

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QLineEdit* makeBox(QWidget* parent, const QString& name, bool readOnly) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(readOnly);
    return e;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QDateEdit* makeDate(QWidget* parent, const QString& name) {
    auto* d = new QDateEdit(parent);
    d->setObjectName(name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return d;
}

int placeLabelledBoxes(QWidget* frame, std::span<const LabelledBox> boxes, int labelWidth) {
    constexpr int kLeft = 8;
    int x = kLeft;
    int y = 22;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        if (i > 0 && i % 4 == 0) {
            x = kLeft;
            y += 30;
        }
        const LabelledBox& b = boxes[i];
        makeLabel(frame, QString::fromLatin1(b.labelName), QString::fromUtf8(b.label))
            ->setGeometry(x, y, labelWidth, 24);
        *b.box = makeBox(frame, QString::fromLatin1(b.name));
        (*b.box)->setGeometry(x + labelWidth, y, b.width, 24);
        x += labelWidth + b.width + 8;
    }
    return y;
}

void watchKeysOfChildren(QWidget* window) {
    for (QWidget* w : window->findChildren<QWidget*>())
        w->installEventFilter(window);
}

} // namespace NamedControls
