#include "queries/Frm_CZRZ.h"

#include "common/CleanControl.h"
#include "common/GridStyle.h"
#include "common/SpreadGrid.h"
#include "common/WaitingCommands.h"
#include "common/core/Clock.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/audit/AuditTrail.h"
#include "output/GridOutput.h"
#include "queries/TaskPanel.h"
#include "queries/core/AuditLogQuery.h"
#include "queries/core/QueryLoads.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int kTaskPanelWidth = 3015; // twips, as the other query windows
enum class TaskRole { None, Print, Preview, Export };
const QString kCaption = QStringLiteral("操作日志查询");

QGroupBox* makeFrame(QWidget* parent, const QString& name, const QString& caption, QWidget* content) {
    auto* f = new QGroupBox(caption, parent);
    f->setObjectName(name);
    (new QVBoxLayout(f))->addWidget(content);
    return f;
}

QComboBox* makeChoiceBox(const QString& name) {
    auto* c = new QComboBox;
    c->setObjectName(name);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    return c;
}

QDateEdit* makeDate(const QString& name) {
    auto* d = new QDateEdit;
    d->setObjectName(name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    d->setDate(Clock::today());
    return d;
}

} // namespace

Frm_CZRZ::Frm_CZRZ(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Frm_CZRZ"));
    setWindowTitle(kCaption);
    setAttribute(Qt::WA_DeleteOnClose);

    m_taskScroll = new QScrollArea(this);
    m_taskScroll->setObjectName(QStringLiteral("TaskPanelScroll"));
    m_taskScroll->setFrameShape(QFrame::NoFrame);
    m_taskScroll->setWidgetResizable(true);
    m_taskScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_taskScroll->viewport()->setAutoFillBackground(false);
    m_taskPanel = new TaskPanel;
    m_taskPanel->setObjectName(QStringLiteral("wndTaskPanel"));
    m_taskScroll->setWidget(m_taskPanel);

    auto* icons = new ImageList(this);
    icons->add(style()->standardIcon(QStyle::SP_DialogApplyButton));      // 1 print
    icons->add(style()->standardIcon(QStyle::SP_DialogSaveButton));       // 2 export
    icons->add(style()->standardIcon(QStyle::SP_FileDialogContentsView)); // 3 preview
    m_taskPanel->setIcons(icons);
    TaskPanelGroup* query =
        m_taskPanel->addGroup(kCaption, QStringLiteral("根据需要选择查询条件，生成报表。"));
    query->addControlItem(0, buildConditions());
    TaskPanelGroup* actions = m_taskPanel->addGroup(QStringLiteral("处理"), QStringLiteral("常用的操作功能"));
    actions->addLinkItem(100, QStringLiteral("打印"), icons->icon(1), int(TaskRole::Print));
    actions->addLinkItem(100, QStringLiteral("打印浏览"), icons->icon(3), int(TaskRole::Preview));
    actions->addLinkItem(101, QStringLiteral("导出到Excel"), icons->icon(2), int(TaskRole::Export));
    auto* waiting = new WaitingCommands(this, {});
    for (TaskPanelItem* link : actions->items())
        waiting->add(link->control());
    m_taskPanel->setMargins(5, 5, 5, 5, 5);

    m_list = new SpreadGrid(this);
    m_list->setObjectName(QStringLiteral("fpSpread1"));
    CleanControl::SetControlColor(this);
    bool keepRows = false;
    StyleGrid(m_list, keepRows);
    const QVector<QueryRows::Column> columns = AuditLogColumns();
    m_list->setMaxCols(int(columns.size()));
    m_list->setColumnWidthChars(0, 4);
    for (int c = 0; c < columns.size(); ++c) {
        m_list->setColumnHeader(c + 1, columns.at(c).heading);
        m_list->setColumnWidthChars(c + 1, columns.at(c).width);
    }

    connect(m_searchButton, &QPushButton::clicked, this, &Frm_CZRZ::Command3_Click);
    connect(m_taskPanel, &TaskPanel::itemClicked, this, &Frm_CZRZ::taskItemClicked);
    fillChoices();
    resize(1000, 650);
}

QWidget* Frm_CZRZ::buildConditions() {
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Picture3"));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* dates = new QWidget;
    auto* grid = new QGridLayout(dates);
    grid->setContentsMargins(0, 0, 0, 0);
    m_sD = makeDate(QStringLiteral("S_D"));
    m_eD = makeDate(QStringLiteral("E_D"));
    grid->addWidget(new QLabel(QStringLiteral("开始日期")), 0, 0);
    grid->addWidget(m_sD, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("结束日期")), 1, 0);
    grid->addWidget(m_eD, 1, 1);
    layout->addWidget(makeFrame(panel, QStringLiteral("Frame1"), QStringLiteral("日期"), dates));

    m_userBox = makeChoiceBox(QStringLiteral("Combo1"));
    layout->addWidget(makeFrame(panel, QStringLiteral("Frame2"), QStringLiteral("操作员"), m_userBox));
    m_actionBox = makeChoiceBox(QStringLiteral("Combo2"));
    layout->addWidget(makeFrame(panel, QStringLiteral("Frame4"), QStringLiteral("操作"), m_actionBox));
    m_dh = new QLineEdit;
    m_dh->setObjectName(QStringLiteral("DH"));
    layout->addWidget(makeFrame(panel, QStringLiteral("Frame3"), QStringLiteral("处方号码"), m_dh));

    m_searchButton = new QPushButton(QStringLiteral("开始查询(&S)"), panel);
    m_searchButton->setObjectName(QStringLiteral("Command3"));
    layout->addWidget(m_searchButton);
    return panel;
}

void Frm_CZRZ::fillChoices() {
    QStringList users;
    AppError error;
    if (!LoadQueryUserNames(&users, &error))
        ShowErrorMessage(error);
    m_userBox->addItems(users);
    m_actionBox->addItems(AuditAction::all());
    for (QComboBox* box : {m_userBox, m_actionBox}) {
        box->addItem(QStringLiteral("全部"));
        box->setCurrentIndex(box->count() - 1);
    }
}

void Frm_CZRZ::Command3_Click() {
    const AuditLogConditions conditions{m_sD->date(), m_eD->date(), m_userBox->currentText(),
                                        m_actionBox->currentText(), m_dh->text()};
    if (conditions.from > conditions.to) {
        Messages::show(QStringLiteral("提示"), QStringLiteral("开始日期不能晚上结束日期，请重新选择。"),
                       MsgIcon::Exclamation);
        m_sD->setFocus();
        return;
    }
    if (!AuditTrail::isOn()) {
        Messages::warning(AuditTrail::offNotice());
        return;
    }
    QVector<TextRow> rows;
    AppError error;
    if (!LoadAuditLog(conditions, &rows, &error)) {
        ShowErrorMessage(error);
        return;
    }
    m_list->setAllTextRows(std::move(rows));
    m_list->scrollToTop();
}

void Frm_CZRZ::taskItemClicked(TaskPanelItem* item) {
    const auto role = TaskRole(item->role());
    if (role == TaskRole::Export) {
        ExportGridToExcel(m_list, this, QStringLiteral("999"));
        return;
    }
    if (role != TaskRole::Print && role != TaskRole::Preview)
        return;
    const QString day = QStringLiteral("yyyy-MM-dd");
    GridReportArgs report;
    report.title = QStringLiteral("【") + gExecDept + QStringLiteral("】") + kCaption;
    report.unitName = gHospitalName;
    report.startDate = m_sD->date().toString(day);
    report.endDate = m_eD->date().toString(day);
    report.makerText = QStringLiteral("制单人:") + (gUser ? gUser->GetUserName : QString());
    report.printDateText = QStringLiteral("打印日期:") + Clock::today().toString(day);
    PrintGridReport(m_list, report, role == TaskRole::Print);
}

void Frm_CZRZ::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int panelWidth = CleanControl::twipsToPixels(kTaskPanelWidth);
    m_taskScroll->setGeometry(0, 0, panelWidth, height());
    const int gap = CleanControl::twipsToPixels(10);
    m_list->setGeometry(panelWidth + gap, 0, qMax(0, width() - panelWidth - gap), height());
}
