#pragma once

#include <QWidget>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QScrollArea;
class SpreadGrid;
class TaskPanel;
class TaskPanelItem;

// "操作日志查询": the rows of the audit trail by date range, user, action and document number,
// with print, preview and export of the list. Opened only for users holding the right
// YJXT_LOG.
class Frm_CZRZ : public QWidget {
    Q_OBJECT
public:
    explicit Frm_CZRZ(QWidget* parent = nullptr);

    // "开始查询(&S)".
    void Command3_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildConditions();
    void fillChoices();
    void taskItemClicked(TaskPanelItem* item);

    QScrollArea* m_taskScroll = nullptr;
    TaskPanel* m_taskPanel = nullptr;
    QDateEdit* m_sD = nullptr;
    QDateEdit* m_eD = nullptr;
    QComboBox* m_userBox = nullptr;
    QComboBox* m_actionBox = nullptr;
    QLineEdit* m_dh = nullptr;
    QPushButton* m_searchButton = nullptr;
    SpreadGrid* m_list = nullptr;
};
