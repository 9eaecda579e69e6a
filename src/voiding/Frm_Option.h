#pragma once

#include <QDialog>

class QComboBox;
class QFrame;
class QLineEdit;
class QTabWidget;

// The print options of the workstation: the printer and font size that document slips
// print with, kept in ORVA.ini.
class Frm_Option : public QDialog {
    Q_OBJECT
public:
    explicit Frm_Option(QWidget* parent = nullptr);

    // "全部保存(&S)": writes both options, confirms and closes.
    void saveAll();
    // "打开并设置发票格式": opens ORVA.ini in the desktop's editor.
    void openIniFile();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fillPrinters();

    QTabWidget* m_tabs = nullptr;
    QFrame* m_buttons = nullptr;
    QComboBox* m_printer = nullptr;
    QLineEdit* m_fontSize = nullptr;
};
