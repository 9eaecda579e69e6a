#include "app/password.h"

#include "app/ChildWindowServices.h"
#include "app/core/LastUserFile.h"
#include "app/core/ProcessExit.h"
#include "common/PasswordMask.h"
#include "common/core/MessageService.h"
#include "common/core/ProgramFolder.h"
#include "common/core/Session.h"
#include "db/StatementHelpers.h"
#include "db/audit/AuditTrail.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

namespace {

password::Flow& flow() {
    static password::Flow f = password::defaultFlow();
    return f;
}

// Error 5 of the load is passed over, as it always was; any other ends the load.
constexpr qint64 SkippedLoadError = 5;

constexpr int PictureWidth = 420;
constexpr int PictureHeight = 180;

} // namespace

void password::setFlow(const Flow& f) {
    const Flow d = defaultFlow();
    flow().chooseDepartment = f.chooseDepartment ? f.chooseDepartment : d.chooseDepartment;
    flow().showMainWindow = f.showMainWindow ? f.showMainWindow : d.showMainWindow;
    flow().showOperator = f.showOperator ? f.showOperator : d.showOperator;
}

QString password::loginPicturePath() {
    const QChar sep = QDir::separator();
    return ProgramFolder::parentPrefix() + QStringLiteral("LBReg") + sep + QStringLiteral("LBLogIn.jpg");
}

password::password(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("password"));
    setWindowTitle(QStringLiteral("登陆健康档案管理系统"));
    setAttribute(Qt::WA_DeleteOnClose);
    QFont f = font();
    f.setFamily(QStringLiteral("宋体"));
    setFont(f);
    buildControls();
    LoadLoginPicture();
    ReadLastUser();
    loadFromDatabase();
}

void password::buildControls() {
    setFixedSize(PictureWidth, PictureHeight + 130);

    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setGeometry(0, 0, PictureWidth, PictureHeight);
    m_image->setScaledContents(true);

    auto* label1 = new QLabel(QStringLiteral("用户姓名："), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setGeometry(70, PictureHeight + 20, 80, 24);
    m_user = new QComboBox(this);
    m_user->setObjectName(QStringLiteral("Combo1"));
    m_user->setEditable(true);
    m_user->setInsertPolicy(QComboBox::NoInsert);
    m_user->setGeometry(150, PictureHeight + 18, 200, 26);

    auto* label2 = new QLabel(QStringLiteral("用户密码："), this);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setGeometry(70, PictureHeight + 56, 80, 24);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("Text1"));
    m_password->setEchoMode(QLineEdit::Password);
    maskWithStars(m_password);
    m_password->setGeometry(150, PictureHeight + 54, 200, 26);

    auto* login = new QPushButton(QStringLiteral("登陆(&P)"), this);
    login->setObjectName(QStringLiteral("Command1"));
    login->setGeometry(110, PictureHeight + 92, 90, 28);
    login->setAutoDefault(false);
    auto* quit = new QPushButton(QStringLiteral("退出(&Q)"), this);
    quit->setObjectName(QStringLiteral("Command2"));
    quit->setGeometry(230, PictureHeight + 92, 90, 28);
    quit->setAutoDefault(false);

    connect(login, &QPushButton::clicked, this, &password::signInClicked);
    connect(quit, &QPushButton::clicked, this, &password::exitClicked);
    // Enter reaches the combo box's line edit first; the filter sees it there.
    m_user->installEventFilter(this);
    if (m_user->lineEdit())
        m_user->lineEdit()->installEventFilter(this);
    m_password->installEventFilter(this);
}

void password::LoadLoginPicture() {
    const QPixmap picture(loginPicturePath());
    if (!picture.isNull())
        m_image->setPixmap(picture);
}

void password::ReadLastUser() {
    m_user->setEditText(LastUserFile::read());
}

void password::loadFromDatabase() {
    const QString proposed = m_user->currentText();
    AppError error;
    QStringList users;
    if (LoadUserNames(&users, &error)) {
        m_check.setUsers(users);
        m_user->addItems(users);
        m_user->setEditText(proposed);
    } else if (error.number != SkippedLoadError) {
        ShowErrorMessage(error);
        return;
    }
    error.clear();
    if (!FollowServerClock(&error) && error.number != SkippedLoadError)
        ShowErrorMessage(error);
}

bool password::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == m_password) {
                signInClicked();
                return true;
            }
            if (watched == m_user || watched == m_user->lineEdit()) {
                m_password->setFocus();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void password::signInClicked() {
    TestUserPassword(m_user->currentText(), m_password->text());
}

void password::exitClicked() {
    if (gReLogin) {
        close();
        return;
    }
    ExitApp();
}

bool password::TestUserPassword(const QString& TestUser, const QString& TestPassword) {
    RecordsetPtr row;
    AppError error;
    // The check fills gUser; a switch cancelled in the department chooser puts this back.
    const User_qx previousUser = gUser ? *gUser : User_qx();
    switch (m_check.check(TestUser, TestPassword, &row, &error)) {
    case LoginCheck::Outcome::SignedIn:
        return finishSignIn(row, previousUser);
    case LoginCheck::Outcome::UnknownUser:
        Messages::show(QStringLiteral("出错了"), QStringLiteral("该用户不存在！"), MsgIcon::Exclamation);
        m_user->setFocus();
        return false;
    case LoginCheck::Outcome::WrongPassword:
        showWrongPassword();
        return false;
    case LoginCheck::Outcome::TooManyFailures:
        showWrongPassword();
        Messages::show(Messages::applicationTitle(), QStringLiteral("超过限制次数！本程序即将退出"),
                       MsgIcon::Information);
        ExitApp();
        return false;
    case LoginCheck::Outcome::NoModuleRight:
        // The common error message of a failing permission query comes first, as it always did.
        if (error.isSet())
            ShowErrorMessage(error);
        Messages::show(QStringLiteral("系统提示"),
                       QStringLiteral("您没有进入医技管理的权限，请给管理员联系！"), MsgIcon::Exclamation);
        ProcessExit::now(0);
        return false;
    case LoginCheck::Outcome::Failed:
        Messages::show(QStringLiteral("出错了"), error.description, MsgIcon::Critical);
        return false;
    }
    return false;
}

void password::showWrongPassword() {
    Messages::show(QStringLiteral("出错了"), QStringLiteral("密码错误，请重新输入！"), MsgIcon::Critical);
}

bool password::finishSignIn(const RecordsetPtr& userRow, const User_qx& previousUser) {
    if (!flow().chooseDepartment(this)) {
        // Only a switch comes back here: the previous user and department stay signed in.
        if (gReLogin && gUser)
            *gUser = previousUser;
        RecordsetPtr rs = userRow;
        CloseRs(rs);
        close();
        return false;
    }
    if (userRow) {
        ApplyUserPreferences(*userRow);
        RecordsetPtr rs = userRow;
        CloseRs(rs);
    }
    LastUserFile::save(gUser ? gUser->GetUserName : QString());
    AuditTrail::record(AuditTrail::entryFor(gReLogin ? AuditAction::SwitchUser : AuditAction::SignIn));
    hide();
    QApplication::processEvents();
    if (gReLogin) {
        flow().showOperator(QStringLiteral("操作员：") + (gUser ? gUser->GetUserName : QString()));
        emit SessionEvents::instance().userSwitched();
    } else
        flow().showMainWindow();
    close();
    return true;
}
