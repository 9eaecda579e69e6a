#pragma once

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

// Asks which medical-technology department this workstation executes for and stores the
// choice in gExecDept. Cancelling ends the program: nobody may work without a department.
// During a switch of user (gReLogin) Esc and the close box only cancel the switch: the
// previous user keeps working in the previous department.
class SelectKS : public QDialog {
    Q_OBJECT
public:
    explicit SelectKS(QWidget* parent = nullptr);

    // What "取消(&C)" runs. The default closes the connection and ends the process;
    // the application installs its own exit, tests a recorder. An empty function restores
    // the default.
    static void setExitHandler(std::function<void()> handler);

    // Fills KS from the department table; runs at construction.
    void loadDepartments();

protected:
    void reject() override;

private:
    void confirm();
    void cancel();

    QLabel* m_label = nullptr;
    QComboBox* m_ks = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
