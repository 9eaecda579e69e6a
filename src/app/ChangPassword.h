#pragma once

#include <QDialog>

class QLineEdit;

// Changes the signed-in user's password in userdb.
class ChangPassword : public QDialog {
    Q_OBJECT
public:
    explicit ChangPassword(QWidget* parent = nullptr);

    // "更改密码(&C)".
    void changePassword();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* addPasswordRow(QWidget* frame, int row, const QString& labelName, const QString& caption,
                              const QString& boxName);

    QLineEdit* m_old = nullptr;
    QLineEdit* m_new = nullptr;
    QLineEdit* m_new2 = nullptr;
};
