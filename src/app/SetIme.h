#pragma once

#include <QDialog>
#include <QList>

class QComboBox;
class QLineEdit;
class QPushButton;

// "输入法设置": which input method the program switches to and which search code the user
// prefers, both kept in the user's userdb row.
class SetIme : public QDialog {
    Q_OBJECT
public:
    explicit SetIme(QWidget* parent = nullptr);

    // The installed handles in list order.
    const QList<qint32>& handles() const { return m_handles; }

private:
    void buildControls();
    void loadWindow();
    void save();

    QList<qint32> m_handles;
    QComboBox* m_searchTypeBox = nullptr;
    QLineEdit* m_currentIme = nullptr;
    QComboBox* m_imeList = nullptr;
    QPushButton* m_setButton = nullptr;
    QPushButton* m_exitButton = nullptr;
};
