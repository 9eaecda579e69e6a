#include "app/ChangPassword.h"

#include "app/core/PasswordChange.h"
#include "common/EnterAsTab.h"
#include "common/PasswordMask.h"
#include "common/WaitingCommands.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

ChangPassword::ChangPassword(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ChangPassword"));
    setWindowTitle((gUser ? gUser->GetUserName : QString()) + QStringLiteral("  更改密码"));
    QFont f = font();
    f.setFamily(QStringLiteral("宋体"));
    setFont(f);
    setFixedSize(330, 200);

    auto* frame = new QGroupBox(QStringLiteral("选项"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(10, 6, 310, 136);
    m_old = addPasswordRow(frame, 0, QStringLiteral("Label1"), QStringLiteral("输入旧密码"),
                           QStringLiteral("OldPassTxt"));
    m_new = addPasswordRow(frame, 1, QStringLiteral("Label2"), QStringLiteral("输入新密码"),
                           QStringLiteral("NewPassTxt"));
    m_new2 = addPasswordRow(frame, 2, QStringLiteral("Label3"), QStringLiteral("确认新密码"),
                            QStringLiteral("NewPassTxt2"));

    auto* ok = new QPushButton(QStringLiteral("更改密码(&C)"), this);
    ok->setObjectName(QStringLiteral("ComOk"));
    ok->setGeometry(60, 154, 100, 30);
    ok->setAutoDefault(true); // Enter on the focused button presses it
    auto* cancel = new QPushButton(QStringLiteral("关闭(&Q)"), this);
    cancel->setObjectName(QStringLiteral("ComCancel"));
    cancel->setGeometry(180, 154, 100, 30);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &ChangPassword::changePassword);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    new WaitingCommands(this, {QStringLiteral("ComOk")});

    // Enter walks old password → new password → confirmation → "更改密码(&C)".
    setTabOrder(m_old, m_new);
    setTabOrder(m_new, m_new2);
    setTabOrder(m_new2, ok);
    setTabOrder(ok, cancel);
    for (QLineEdit* box : {m_old, m_new, m_new2})
        box->installEventFilter(this);
    m_old->setFocus();
}

QLineEdit* ChangPassword::addPasswordRow(QWidget* frame, int row, const QString& labelName,
                                         const QString& caption, const QString& boxName) {
    const int y = 28 + row * 34;
    auto* label = new QLabel(caption, frame);
    label->setObjectName(labelName);
    label->setGeometry(20, y, 80, 24);
    auto* box = new QLineEdit(frame);
    box->setObjectName(boxName);
    box->setEchoMode(QLineEdit::Password);
    maskWithStars(box);
    box->setGeometry(110, y, 180, 24);
    return box;
}

bool ChangPassword::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            EnterAsTab(this, key);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ChangPassword::changePassword() {
    switch (PasswordChange::checkNewPassword(m_new->text(), m_new2->text())) {
    case PasswordChange::Outcome::NewPasswordsDiffer:
        Messages::show(QStringLiteral("错误"), QStringLiteral("两次输入的密码不一至"), MsgIcon::Information);
        return;
    case PasswordChange::Outcome::QuoteInNewPassword:
        Messages::show(QStringLiteral("错误"), QStringLiteral("新密码中不能有单引号(')，请重新输入"),
                       MsgIcon::Exclamation);
        m_new->setFocus();
        m_new->selectAll();
        return;
    default:
        break;
    }
    if (!Messages::confirmYesNo(QStringLiteral("提示"), QStringLiteral("你真的要更改密码吗？"), true))
        return;
    AppError error;
    switch (PasswordChange::apply(m_old->text(), m_new->text(), &error)) {
    case PasswordChange::Outcome::Changed:
        Messages::show(QStringLiteral("信息"), QStringLiteral("密码更改成功！"), MsgIcon::Information);
        accept();
        break;
    case PasswordChange::Outcome::WrongOldPassword:
        Messages::show(QStringLiteral("错误"), QStringLiteral("旧密码输入错误"), MsgIcon::Exclamation);
        m_old->setFocus();
        break;
    default:
        Messages::show(QStringLiteral("信息"), QStringLiteral("出错信息：") + error.description,
                       MsgIcon::Critical);
        break;
    }
}
