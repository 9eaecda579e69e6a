#include "queries/RecordQueryWindow.h"

#include "common/CleanControl.h"
#include "common/GridStyle.h"
#include "common/SpreadGrid.h"
#include "common/WaitingCommands.h"
#include "common/core/BusyState.h"
#include "common/core/Clock.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/audit/AuditTrail.h"
#include "output/GridOutput.h"
#include "output/SlipPrinting.h"
#include "queries/TaskPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kPrintItem = 100;
constexpr int kExportItem = 101;
// What a link of the output group does; the ids above are shared by print and preview.
enum class TaskRole { None, Print, Preview, Export };
constexpr int kTaskPanelWidth = 3015; // twips
constexpr int kDhColumn = 2;
constexpr int kKeyboardRestMs = 200; // the highlight has come to rest

int twips(int t) {
    return CleanControl::twipsToPixels(t);
}

QDateEdit* makeDate(QWidget* parent, const QString& name) {
    auto* d = new QDateEdit(parent);
    d->setObjectName(name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return d;
}

QGroupBox* makeFrame(QWidget* parent, const QString& name, const QString& caption) {
    auto* f = new QGroupBox(caption, parent);
    f->setObjectName(name);
    return f;
}

QComboBox* makeUserBox(QGroupBox* frame, const QString& name) {
    auto* c = new QComboBox(frame);
    c->setObjectName(name);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(c);
    return c;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

void setBackColor(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

} // namespace

RecordQueryWindow::RecordQueryWindow(QuerySpec spec, QWidget* parent)
    : QWidget(parent), m_spec(std::move(spec)) {
    setObjectName(m_spec.name);
    setWindowTitle(m_spec.caption);
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    resize(1000, 650);
    loadWindow();
}

RecordQueryWindow::~RecordQueryWindow() = default;

void RecordQueryWindow::buildControls() {
    // On a low screen or in a low window (four windows tiled) the panel scrolls rather than
    // squeezing the date boxes or pressing its lines into one another.
    m_taskScroll = new QScrollArea(this);
    m_taskScroll->setObjectName(QStringLiteral("TaskPanelScroll"));
    m_taskScroll->setFrameShape(QFrame::NoFrame);
    m_taskScroll->setWidgetResizable(true);
    m_taskScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_taskScroll->viewport()->setAutoFillBackground(false); // the window's colour shows through
    m_taskPanel = new TaskPanel;
    m_taskPanel->setObjectName(QStringLiteral("wndTaskPanel"));
    m_taskScroll->setWidget(m_taskPanel);
    // Items of the row the highlight rests on after keyboard moves load as a click loads them.
    m_itemsTimer = new QTimer(this);
    m_itemsTimer->setSingleShot(true);
    m_itemsTimer->setInterval(kKeyboardRestMs);
    connect(m_itemsTimer, &QTimer::timeout, this, &RecordQueryWindow::loadItemsOfActiveRow);

    m_icons = new ImageList(this);
    m_icons->setObjectName(QStringLiteral("imlTaskPanelIcons"));
    m_icons->add(style()->standardIcon(QStyle::SP_DialogApplyButton));      // 1 print
    m_icons->add(style()->standardIcon(QStyle::SP_DialogSaveButton));       // 2 export
    m_icons->add(style()->standardIcon(QStyle::SP_FileDialogContentsView)); // 3 preview
    m_conditionsPanel = buildConditions();

    m_tab = new QTabWidget(this);
    m_tab->setObjectName(QStringLiteral("vbalDTabControlX1"));
    m_resultsPanel = new QWidget;
    m_resultsPanel->setObjectName(QStringLiteral("Picture1"));
    m_resultsPanel->setProperty("kind", QStringLiteral("PictureBox"));
    m_list = new SpreadGrid(m_resultsPanel);
    m_list->setObjectName(QStringLiteral("fpSpread1"));
    m_items = new SpreadGrid(m_resultsPanel);
    m_items->setObjectName(QStringLiteral("fpSpread2"));
    m_resultsPanel->installEventFilter(this);
    m_list->installEventFilter(this);

    m_ksPrint = new QWidget(this);
    m_ksPrint->setObjectName(QStringLiteral("KsPrintCtl31"));
    m_ksPrint->hide();

    connect(m_searchButton, &QPushButton::clicked, this, &RecordQueryWindow::Command3_Click);
    connect(m_slipPrintButton, &QPushButton::clicked, this, &RecordQueryWindow::ReprintSelected);
    if (m_itemsPrintButton)
        connect(m_itemsPrintButton, &QPushButton::clicked, this, &RecordQueryWindow::ReprintSelected);
    connect(m_mixedModeBox, &QCheckBox::clicked, this, &RecordQueryWindow::Form_Resize);
    connect(m_list, &SpreadGrid::cellClicked, this, [this](int row, int) { listRowClicked(row); });
    connect(m_taskPanel, &TaskPanel::itemClicked, this, &RecordQueryWindow::taskItemClicked);
}

// The query conditions, hosted by the task panel's first group.
QWidget* RecordQueryWindow::buildConditions() {
    auto* picture3 = new QWidget(this);
    picture3->setObjectName(QStringLiteral("Picture3"));
    picture3->setProperty("kind", QStringLiteral("PictureBox"));
    auto* layout = new QVBoxLayout(picture3);
    layout->setContentsMargins(0, 0, 0, 0);

    m_dateFrame = makeFrame(picture3, QStringLiteral("Frame1"), QStringLiteral("日期"));
    auto* dates = new QGridLayout(m_dateFrame);
    auto* label1 = new QLabel(QStringLiteral("开始日期"), m_dateFrame);
    label1->setObjectName(QStringLiteral("Label1"));
    auto* label2 = new QLabel(QStringLiteral("结束日期"), m_dateFrame);
    label2->setObjectName(QStringLiteral("Label2"));
    m_sD = makeDate(m_dateFrame, QStringLiteral("S_D"));
    m_eD = makeDate(m_dateFrame, QStringLiteral("E_D"));
    dates->addWidget(label1, 0, 0);
    dates->addWidget(m_sD, 0, 1);
    dates->addWidget(label2, 1, 0);
    dates->addWidget(m_eD, 1, 1);
    layout->addWidget(m_dateFrame);

    m_userFrame = makeFrame(picture3, QStringLiteral("Frame2"), m_spec.userFrameCaption);
    m_userBox = makeUserBox(m_userFrame, QStringLiteral("Combo1"));
    layout->addWidget(m_userFrame);
    if (m_spec.checkerFilter) {
        m_checkerFrame = makeFrame(picture3, QStringLiteral("Frame4"), QStringLiteral("复核人"));
        m_checkerBox = makeUserBox(m_checkerFrame, QStringLiteral("Combo2"));
        layout->addWidget(m_checkerFrame);
    }
    if (m_spec.numberSearch) {
        m_numberFrame = makeFrame(picture3, QStringLiteral("Frame3"), QStringLiteral("处方号码"));
        m_dh = new QLineEdit(m_numberFrame);
        m_dh->setObjectName(QStringLiteral("DH"));
        m_dh->setToolTip(QStringLiteral("如果输入处方号系统会忽略其它查询条件"));
        (new QVBoxLayout(m_numberFrame))->addWidget(m_dh);
        layout->addWidget(m_numberFrame);
    }
    m_mixedModeBox = new QCheckBox(QStringLiteral("混合模式"), picture3);
    m_mixedModeBox->setObjectName(QStringLiteral("Check1"));
    layout->addWidget(m_mixedModeBox);
    m_searchButton = makeButton(picture3, QStringLiteral("Command3"), QStringLiteral("开始查询(&S)"));
    m_slipPrintButton = makeButton(picture3, QStringLiteral("Command1"), QStringLiteral("处方打印"));
    layout->addWidget(m_searchButton);
    layout->addWidget(m_slipPrintButton);
    if (m_spec.detailReprint) {
        m_itemsPrintButton = makeButton(picture3, QStringLiteral("Command2"), QStringLiteral("处方明细打印"));
        layout->addWidget(m_itemsPrintButton);
    }
    return picture3;
}

void RecordQueryWindow::loadWindow() {
    CleanControl::SetControlColor(this);
    bool keepRows = false;
    StyleGrid(m_items, keepRows);
    keepRows = false;
    StyleGrid(m_list, keepRows);

    m_list->setMaxCols(int(m_spec.listColumns.size()));
    m_list->setColumnWidthChars(0, 3.5);
    for (int c = 0; c < m_spec.listColumns.size(); ++c) {
        m_list->setColumnHeader(c + 1, m_spec.listColumns.at(c).heading);
        m_list->setColumnWidthChars(c + 1, m_spec.listColumns.at(c).width);
        m_list->setColumnFormat(c + 1, m_spec.listColumns.at(c).format());
    }
    const QStringList itemHeadings = QueryRows::ItemHeadings();
    m_items->setMaxCols(int(itemHeadings.size()) - 1);
    for (int c = 0; c < itemHeadings.size(); ++c) {
        m_items->setColumnHeader(c, itemHeadings.at(c));
        m_items->setColumnWidthChars(c, m_spec.itemWidths.value(c, 8));
    }
    const QVector<CellFormat> itemFormats = QueryRows::ItemFormats();
    for (int c = 0; c < itemFormats.size(); ++c)
        m_items->setColumnFormat(c + 1, itemFormats.at(c));

    InitQueryTab();
    m_sD->setDate(Clock::today());
    m_eD->setDate(Clock::today());
    fillUsers();
    InitTaskPanel();
}

void RecordQueryWindow::fillUsers() {
    QStringList users;
    AppError error;
    if (!LoadQueryUserNames(&users, &error))
        ShowErrorMessage(error);
    m_userBox->addItems(users);
    if (m_checkerBox)
        m_checkerBox->addItems(users);
    for (QComboBox* box : {m_userBox, m_checkerBox}) {
        if (!box)
            continue;
        box->addItem(QStringLiteral("全部"));
        box->setCurrentIndex(box->count() - 1);
    }
}

void RecordQueryWindow::InitQueryTab() {
    const int index = m_tab->addTab(m_resultsPanel, m_spec.caption);
    m_tab->tabBar()->setTabData(index, QStringLiteral("FYCX"));
}

void RecordQueryWindow::InitTaskPanel() {
    m_taskPanel->setIcons(m_icons);
    TaskPanelGroup* query =
        m_taskPanel->addGroup(m_spec.groupCaption, QStringLiteral("根据需要选择统计条件，生成报表。"));
    query->addControlItem(0, m_conditionsPanel);
    const QColor back = query->itemBackColor();
    for (QWidget* w : {m_conditionsPanel, static_cast<QWidget*>(m_dateFrame),
                       static_cast<QWidget*>(m_userFrame), static_cast<QWidget*>(m_checkerFrame)})
        if (w)
            setBackColor(w, back);
    TaskPanelGroup* actions = m_taskPanel->addGroup(QStringLiteral("处理"), QStringLiteral("常用的操作功能"));
    actions->addLinkItem(kPrintItem, QStringLiteral("打印"), m_icons->icon(1), int(TaskRole::Print));
    actions->addLinkItem(kPrintItem, QStringLiteral("打印浏览"), m_icons->icon(3), int(TaskRole::Preview));
    actions->addLinkItem(kExportItem, QStringLiteral("导出到Excel"), m_icons->icon(2), int(TaskRole::Export));
    // The reprints and the output links wait while the program waits for the database.
    auto* waiting = new WaitingCommands(this, {QStringLiteral("Command1"), QStringLiteral("Command2")});
    for (TaskPanelItem* link : actions->items())
        waiting->add(link->control());
    m_taskPanel->setMargins(5, 5, 5, 5, 5);
}

void RecordQueryWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

bool RecordQueryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_resultsPanel && event->type() == QEvent::Resize)
        arrangeGrids();
    if (watched == m_list && event->type() == QEvent::KeyPress)
        m_itemsTimer->start(); // paging through the list sends no statement per step
    return QWidget::eventFilter(watched, event);
}

void RecordQueryWindow::Form_Resize() {
    const int panelWidth = twips(kTaskPanelWidth);
    m_taskScroll->setGeometry(0, 0, panelWidth, height());
    m_tab->setGeometry(panelWidth + twips(10), 0, qMax(0, width() - panelWidth - twips(10)), height());
    arrangeGrids();
}

void RecordQueryWindow::arrangeGrids() {
    const int w = m_resultsPanel->width();
    const int h = m_resultsPanel->height();
    if (m_mixedModeBox->isChecked()) {
        m_list->hide();
        m_items->setGeometry(0, 0, w, qMax(0, h - twips(100)));
        m_slipPrintButton->hide();
    } else {
        m_slipPrintButton->show();
        m_list->show();
        m_list->setGeometry(0, 0, w, qMax(0, h / 2 - twips(100)));
        m_items->setGeometry(0, h / 2 + twips(100), w, qMax(0, h / 2 - twips(100)));
    }
}

void RecordQueryWindow::Command3_Click() {
    QueryConditions conditions;
    conditions.user = m_userBox->currentText();
    conditions.checker = m_checkerBox ? m_checkerBox->currentText() : QString();
    conditions.number = m_dh ? m_dh->text() : QString();
    conditions.from = m_sD->date();
    conditions.to = m_eD->date();
    if (!IsNumberQuery(conditions) && conditions.from > conditions.to) {
        Messages::show(QStringLiteral("提示"), QStringLiteral("开始日期不能晚上结束日期，请重新选择。"),
                       MsgIcon::Exclamation);
        m_sD->setFocus();
        return;
    }
    QVector<TextRow> rows;
    AppError error;
    if (!LoadRecordList(m_spec.listStatement(conditions), m_spec.listColumns, &rows, &error)) {
        ShowErrorMessage(error);
        return;
    }
    FillDocumentList(std::move(rows));
}

void RecordQueryWindow::FillDocumentList(QVector<TextRow> rows) {
    m_itemsTimer->stop();
    m_itemsRow = 0;
    m_list->setAllTextRows(std::move(rows));
    m_list->scrollToTop();
}

void RecordQueryWindow::listRowClicked(int row) {
    if (row < 1 || row > m_list->maxRows())
        return;
    m_itemsTimer->stop();
    m_itemsRow = row;
    m_items->setMaxRows(0);
    LoadDocumentItems(m_list->text(row, kDhColumn).trimmed());
}

void RecordQueryWindow::loadItemsOfActiveRow() {
    // Not in the middle of a statement, a print or an export: the highlight is taken up afterwards.
    if (BusyState::instance().underWay()) {
        m_itemsTimer->start();
        return;
    }
    const int row = m_list->activeRow();
    if (row != m_itemsRow)
        listRowClicked(row);
}

void RecordQueryWindow::LoadDocumentItems(const QString& dh) {
    QVector<QStringList> rows;
    AppError error;
    if (!::LoadDocumentItems(gExecDept, dh, &rows, &error)) {
        ShowErrorMessage(error);
        return;
    }
    for (const QStringList& row : rows)
        m_items->setRowValues(m_items->appendRow(), row);
}

void RecordQueryWindow::ReprintSelected() {
    if (m_list->maxRows() == 0) {
        Messages::warning(QStringLiteral("请选择您要打印的处方单据"));
        return;
    }
    const int row = m_list->activeRow() > 0 ? m_list->activeRow() : 1;
    const QString dh = m_list->text(row, kDhColumn);
    const QString zxdh = m_list->text(row, m_spec.zxdhColumn);
    if (!Messages::confirmYesNo(
            QStringLiteral("系统提示"),
            QStringLiteral("您真的要重打【") + zxdh.trimmed() + QStringLiteral("】的处方单据吗？"), true))
        return;
    // The slip of the department's items of that document, as it was printed at execution.
    if (SlipPrinting::MZCFPrint({dh.trimmed(), gExecDept, false, QString(), QString()},
                                SlipPrinting::Mode::Print))
        AuditTrail::record(AuditTrail::entryFor(AuditAction::Reprint, dh.trimmed(),
                                                QStringLiteral("执行单号%1").arg(zxdh.trimmed())));
}

SpreadGrid* RecordQueryWindow::outputSource() const {
    return m_mixedModeBox->isChecked() ? m_items : m_list;
}

void RecordQueryWindow::taskItemClicked(TaskPanelItem* item) {
    switch (TaskRole(item->role())) {
    case TaskRole::Print:
        printSource(true);
        break;
    case TaskRole::Preview:
        printSource(false);
        break;
    case TaskRole::Export:
        exportSource();
        break;
    case TaskRole::None:
        break;
    }
}

void RecordQueryWindow::printSource(bool direct) {
    const QString day = QStringLiteral("yyyy-MM-dd");
    const QString user = gUser ? gUser->GetUserName : QString();
    GridReportArgs report;
    report.title = QStringLiteral("【") + gExecDept + QStringLiteral("】") + m_spec.caption;
    report.unitName = gHospitalName;
    report.startDate = m_sD->date().toString(day);
    report.endDate = m_eD->date().toString(day);
    report.makerText = QStringLiteral("制单人:") + user;
    report.printDateText = QStringLiteral("打印日期:") + Clock::today().toString(day);
    PrintGridReport(outputSource(), report, direct);
}

void RecordQueryWindow::exportSource() {
    ExportGridToExcel(outputSource(), this, QStringLiteral("999"));
}
