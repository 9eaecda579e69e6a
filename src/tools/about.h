#pragma once

#include <QDialog>

class QLabel;

// "关于软件": the program's title and version.
class about : public QDialog {
    Q_OBJECT
public:
    explicit about(QWidget* parent = nullptr);

    // The maker's web address behind Label9.
    static QString makerAddress();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_address = nullptr;
};
