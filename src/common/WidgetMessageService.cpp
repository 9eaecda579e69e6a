#include "common/WidgetMessageService.h"

#include "common/FileDialogService.h"
#include "common/core/BusyState.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon boxIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonSpec {
    MsgAnswer answer;
    QString text;
    QMessageBox::ButtonRole role;
};

QList<ButtonSpec> buttonSpecs(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OkCancel:
        return {{MsgAnswer::Ok, QStringLiteral("确定"), QMessageBox::AcceptRole},
                {MsgAnswer::Cancel, QStringLiteral("取消"), QMessageBox::RejectRole}};
    case MsgButtons::YesNo:
        return {{MsgAnswer::Yes, QStringLiteral("是(&Y)"), QMessageBox::YesRole},
                {MsgAnswer::No, QStringLiteral("否(&N)"), QMessageBox::NoRole}};
    case MsgButtons::Ok:
        break;
    }
    return {{MsgAnswer::Ok, QStringLiteral("确定"), QMessageBox::AcceptRole}};
}

// Room the title bar needs beside its text: the window icon, the close button and margins.
constexpr int kTitleBarRoom = 140;

// A box as narrow as a short text ("密码错误!") would cut its own title; the box is made at
// least as wide as the title bar needs.
void fitTitle(QMessageBox& box, const QString& title) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int needed = QFontMetrics(titleFont).horizontalAdvance(title) + kTitleBarRoom;
    grid->addItem(new QSpacerItem(needed, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0,
                  1, grid->columnCount());
}

WidgetMessageService g_messages;
WidgetFileDialogService g_fileDialogs;

} // namespace

MsgAnswer WidgetMessageService::show(const QString& title, const QString& text, MsgIcon icon,
                                     MsgButtons buttons, MsgAnswer defaultAnswer) {
    // A timer's refresh or the lost-link road waits until the box is answered.
    const BusyState::Guard busy;
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(boxIcon(icon));
    const QList<ButtonSpec> specs = buttonSpecs(buttons);
    QList<QPushButton*> pushed;
    for (const ButtonSpec& s : specs) {
        QPushButton* b = box.addButton(s.text, s.role);
        pushed.append(b);
        if (s.answer == defaultAnswer)
            box.setDefaultButton(b);
    }
    if (!box.defaultButton())
        box.setDefaultButton(pushed.first());
    // Esc (and closing the box) answers the last button: Cancel, No, or the lone OK.
    box.setEscapeButton(pushed.last());
    fitTitle(box, title);
    box.exec();
    const int at = int(pushed.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
    return at >= 0 ? specs.at(at).answer : specs.last().answer;
}

void installWidgetServices() {
    Messages::install(&g_messages);
    FileDialogs::install(&g_fileDialogs);
}
