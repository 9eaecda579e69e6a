#pragma once

#include "app/core/LoginCheck.h"
#include "common/core/Session.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The login window: identifies the operator, checks the module right, lets the operator
// choose the executing department and opens the main window. With gReLogin set it switches
// the user of the running main window instead.
class password : public QWidget {
    Q_OBJECT
public:
    // Loading runs at once: picture, last user, user list, server clock.
    explicit password(QWidget* parent = nullptr);

    // One attempt; true when the user signed in (the window then hides and unloads itself).
    bool TestUserPassword(const QString& TestUser, const QString& TestPassword);

    const LoginCheck& loginCheck() const { return m_check; }

    // What follows a successful check. The defaults show SelectKS modally, open mainfrm and
    // write the operator panel of the running main window; tests replace them.
    // chooseDepartment is false when the chooser closed without a department.
    struct Flow {
        std::function<bool(QWidget* loginWindow)> chooseDepartment;
        std::function<void()> showMainWindow;
        std::function<void(const QString& panelText)> showOperator;
    };
    static void setFlow(const Flow& flow);
    static Flow defaultFlow();

    // "{parent prefix}LBReg/LBLogIn.jpg".
    static QString loginPicturePath();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void LoadLoginPicture();
    void ReadLastUser();
    void loadFromDatabase();
    void signInClicked();
    void exitClicked();
    bool finishSignIn(const RecordsetPtr& userRow, const User_qx& previousUser);
    static void showWrongPassword();

    LoginCheck m_check;
    QLabel* m_image = nullptr;
    QComboBox* m_user = nullptr;
    QLineEdit* m_password = nullptr;
};
