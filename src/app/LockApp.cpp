#include "app/LockApp.h"

#include "app/core/PasswordChange.h"
#include "common/CleanControl.h"
#include "common/PasswordMask.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/audit/AuditTrail.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

LockApp::LockApp(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("LockApp"));
    setWindowTitle(QStringLiteral("锁定系统"));
    // No close button: the window goes only by unlocking.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(380, 190);

    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(10, 8, 360, 172);

    auto* picture = new QLabel(frame);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setProperty("kind", QStringLiteral("PictureBox"));
    picture->setGeometry(10, 22, 340, 140);
    picture->setMouseTracking(true);
    picture->installEventFilter(this);

    m_image = new QLabel(picture);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setGeometry(10, 10, 72, 72);
    m_image->setAlignment(Qt::AlignCenter);
    m_image->setPixmap(QPixmap(QStringLiteral(":/icons/system-lock-screen.png")));
    m_image->installEventFilter(this);

    auto* prompt = new QLabel(QStringLiteral("请输入密码解锁："), picture);
    prompt->setObjectName(QStringLiteral("Label1"));
    prompt->setGeometry(100, 20, 220, 22);
    m_password = new QLineEdit(picture);
    m_password->setObjectName(QStringLiteral("Text1"));
    m_password->setEchoMode(QLineEdit::Password);
    maskWithStars(m_password);
    m_password->setGeometry(100, 48, 220, 26);
    m_password->installEventFilter(this);

    auto* unlockButton = new QPushButton(QStringLiteral("解锁(&O)"), picture);
    unlockButton->setObjectName(QStringLiteral("Command1"));
    unlockButton->setGeometry(220, 92, 100, 30);
    unlockButton->setAutoDefault(false);
    connect(unlockButton, &QPushButton::clicked, this, &LockApp::unlock);

    CleanControl::SetControlColor(this);
    frame->setTitle(QStringLiteral(" 本程序由“") + (gUser ? gUser->GetUserName : QString()) +
                    QStringLiteral("”锁定"));
    m_password->setFocus();
    AuditTrail::record(AuditTrail::entryFor(AuditAction::Lock));
}

void LockApp::unlock() {
    if (!UnlocksWorkstation(m_password->text())) {
        m_password->clear();
        m_password->setFocus();
        AuditTrail::record(AuditTrail::entryFor(AuditAction::Unlock + AuditAction::FailedSuffix, {},
                                                QStringLiteral("密码错误")));
        Messages::show(QStringLiteral("提示"), QStringLiteral("密码错误!"), MsgIcon::Information);
        return;
    }
    m_unlocked = true;
    AuditTrail::record(AuditTrail::entryFor(AuditAction::Unlock));
    accept();
}

void LockApp::reject() {
    if (m_unlocked)
        QDialog::reject();
}

void LockApp::closeEvent(QCloseEvent* event) {
    if (m_unlocked)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

bool LockApp::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_password && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            unlock();
            return true;
        }
    } else if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        // The picture gets a thin border while the mouse is over it.
        if (watched == m_image)
            m_image->setFrameShape(QFrame::Box);
        else if (watched->objectName() == QLatin1String("Picture1"))
            m_image->setFrameShape(QFrame::NoFrame);
    }
    return QDialog::eventFilter(watched, event);
}
