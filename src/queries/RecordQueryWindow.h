#pragma once

#include "queries/core/QueryLoads.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QTabWidget;
class ImageList;
class SpreadGrid;
class TaskPanel;
class TaskPanelItem;

// What tells the executed-documents query from its twin, the voided-documents query.
struct QuerySpec {
    QString name;    // window name
    QString caption; // window, tab and report caption
    QString groupCaption;
    QString userFrameCaption;   // caption of Frame2 around Combo1
    bool checkerFilter = false; // Frame4 "复核人" with Combo2
    bool numberSearch = false;  // Frame3 "处方号码" with DH
    bool detailReprint = false; // Command2 "处方明细打印"
    QVector<QueryRows::Column> listColumns;
    QList<double> itemWidths; // row numbers and columns 1 to 7
    int zxdhColumn = 0;       // list column of the execution number
    // The list statement for the conditions shown.
    std::function<QString(const QueryConditions& conditions)> listStatement;
};

// A query window of execution records: the side task panel with the query conditions and
// the output links, and the tab whose panel holds the record list over the item grid.
class RecordQueryWindow : public QWidget {
    Q_OBJECT
public:
    RecordQueryWindow(QuerySpec spec, QWidget* parent);
    ~RecordQueryWindow() override;

    // "开始查询(&S)".
    void Command3_Click();
    // Fills the list with every row given.
    void FillDocumentList(QVector<TextRow> rows);
    // Appends the document's items to the item grid.
    void LoadDocumentItems(const QString& dh);
    // The reprint confirmation of "处方打印" and "处方明细打印".
    void ReprintSelected();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QWidget* buildConditions();
    void loadWindow();
    void InitQueryTab();
    void InitTaskPanel();
    void Form_Resize();
    void arrangeGrids();
    void fillUsers();
    void listRowClicked(int row);
    void taskItemClicked(TaskPanelItem* item);
    SpreadGrid* outputSource() const;
    void printSource(bool direct);
    void exportSource();

    QuerySpec m_spec;
    TaskPanel* m_taskPanel = nullptr;
    QScrollArea* m_taskScroll = nullptr;
    ImageList* m_icons = nullptr;
    QWidget* m_conditionsPanel = nullptr;
    QGroupBox* m_dateFrame = nullptr;
    QGroupBox* m_userFrame = nullptr;
    QGroupBox* m_numberFrame = nullptr;
    QGroupBox* m_checkerFrame = nullptr;
    QDateEdit* m_sD = nullptr;
    QDateEdit* m_eD = nullptr;
    QComboBox* m_userBox = nullptr;
    QComboBox* m_checkerBox = nullptr;
    QLineEdit* m_dh = nullptr;
    QCheckBox* m_mixedModeBox = nullptr;
    QPushButton* m_slipPrintButton = nullptr;
    QPushButton* m_itemsPrintButton = nullptr;
    QPushButton* m_searchButton = nullptr;
    QTabWidget* m_tab = nullptr;
    QWidget* m_resultsPanel = nullptr;
    SpreadGrid* m_list = nullptr;
    SpreadGrid* m_items = nullptr;
    QWidget* m_ksPrint = nullptr;
};
