// The bare side of the start-up goal: a plain Qt window with the login window's captions in the
// program's Chinese fonts, and nothing else (no database, no settings, no translations).
#include "common/pages/Fonts.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    setupChineseFonts();
    QWidget window;
    window.setWindowTitle(QStringLiteral("登陆健康档案管理系统"));
    window.setFixedSize(420, 310);
    (new QLabel(QStringLiteral("用户姓名："), &window))->setGeometry(70, 200, 80, 24);
    auto* user = new QComboBox(&window);
    user->setEditable(true);
    user->setGeometry(150, 198, 200, 26);
    (new QLabel(QStringLiteral("用户密码："), &window))->setGeometry(70, 236, 80, 24);
    auto* password = new QLineEdit(&window);
    password->setEchoMode(QLineEdit::Password);
    password->setGeometry(150, 234, 200, 26);
    (new QPushButton(QStringLiteral("登陆(&P)"), &window))->setGeometry(110, 272, 90, 28);
    (new QPushButton(QStringLiteral("退出(&Q)"), &window))->setGeometry(230, 272, 90, 28);
    window.show();
    return app.exec();
}
