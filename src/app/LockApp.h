#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

// The lock screen: keeps the program covered until the signed-in user types the password
// again. "解锁(&O)" with the right password is the only way out.
class LockApp : public QDialog {
    Q_OBJECT
public:
    explicit LockApp(QWidget* parent = nullptr);

    // "解锁(&O)" or Enter in Text1.
    void unlock();

    void reject() override; // Esc does not unlock

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_image = nullptr;
    QLineEdit* m_password = nullptr;
    bool m_unlocked = false;
};
