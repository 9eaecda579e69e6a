#pragma once

#include <QDialog>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class SpreadGrid;

// "窗体与字典关联设置": which dictionary fills which combo box of the system's windows.
class Frm_LinkZD : public QDialog {
    Q_OBJECT
public:
    explicit Frm_LinkZD(QWidget* parent = nullptr);

    // The dictionary picked for the active row.
    void GetData(const QString& ZDCname, const QString& ZDEname);

private:
    void buildControls();
    void buildTree();
    void nodeClicked(QTreeWidgetItem* item);
    void LoadLinks(const QString& formName);
    void cellClicked(int row, int col);
    void openPicker(int row);
    void SaveLinks();

    QTreeWidget* m_tree = nullptr;
    SpreadGrid* m_grid = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_closeButton = nullptr;
};
