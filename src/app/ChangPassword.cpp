#include "app/ChangPassword.h"

#include "app/core/PasswordChange.h"
#include "common/EnterAsTab.h"
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
    box->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
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
    switch (PasswordChange::run(m_old->text(), m_new->text(), m_new2->text())) {
    case PasswordChange::Outcome::Changed:
        accept();
        break;
    case PasswordChange::Outcome::WrongOldPassword:
        m_old->setFocus();
        break;
    case PasswordChange::Outcome::QuoteInNewPassword:
        m_new->setFocus();
        m_new->selectAll();
        break;
    default:
        break;
    }
}
