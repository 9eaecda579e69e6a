#include "voiding/Frm_CKTY.h"

#include "common/CleanControl.h"
#include "common/GridStyle.h"
#include "common/NamedControls.h"
#include "common/SpreadGrid.h"
#include "common/WaitingCommands.h"
#include "common/WindowRequests.h"
#include "common/core/Clock.h"
#include "common/core/InputText.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/documents/DocumentHeader.h"
#include "db/documents/ItemRows.h"
#include "voiding/core/VoidingLoads.h"
#include "voiding/core/VoidingService.h"

#include <QApplication>
#include <QDateEdit>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

namespace {

constexpr int kGroupColumn = 1;
constexpr int kAmountColumn = 8;

int twips(int t) {
    return CleanControl::twipsToPixels(t);
}

} // namespace

using namespace NamedControls;

Frm_CKTY::Frm_CKTY(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Frm_CKTY"));
    setWindowTitle(QStringLiteral("单据作废"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    new WaitingCommands(this, {QStringLiteral("Command2")});
    watchKeysOfChildren(this);
    resize(1000, 650);
    loadWindow();
}

Frm_CKTY::~Frm_CKTY() = default;

void Frm_CKTY::buildControls() {
    m_list = new SpreadGrid(this);
    m_list->setObjectName(QStringLiteral("fpSpread1"));
    buildSearchFrame();
    buildHeaderFrame();
    m_items = new SpreadGrid(this);
    m_items->setObjectName(QStringLiteral("fpSpread2"));
    buildButtonBar();

    connect(m_list, &SpreadGrid::cellClicked, this, [this](int row, int) { selectListedRow(row); });
    connect(m_list, &SpreadGrid::rowEntered, this, &Frm_CKTY::selectListedRow);
    connect(m_searchButton, &QPushButton::clicked, this, &Frm_CKTY::RefreshList);
    connect(m_voidButton, &QPushButton::clicked, this, &Frm_CKTY::VoidSelected);
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(m_voidedQueryButton, &QPushButton::clicked, this,
            [] { WindowRequests::open(QStringLiteral("Frm_TYCX")); });
}

void Frm_CKTY::buildSearchFrame() {
    m_search = new QGroupBox(QStringLiteral("查询选项"), this);
    m_search->setObjectName(QStringLiteral("Frm_Search"));
    auto* label1 = makeLabel(m_search, QStringLiteral("Label1"), QStringLiteral("开始"));
    m_sD = makeDate(m_search, QStringLiteral("S_D"));
    auto* label2 = makeLabel(m_search, QStringLiteral("Label2"), QStringLiteral("结束"));
    m_eD = makeDate(m_search, QStringLiteral("E_D"));
    auto* label3 = makeLabel(m_search, QStringLiteral("Label3"), QStringLiteral("姓  名"));
    m_txtSearch = makeBox(m_search, QStringLiteral("Txt_Search"), false);
    m_searchButton = makeButton(m_search, QStringLiteral("Command1"), QStringLiteral("搜索(&S)"));
    label1->setGeometry(8, 22, 40, 24);
    m_sD->setGeometry(50, 22, 120, 24);
    label2->setGeometry(8, 52, 40, 24);
    m_eD->setGeometry(50, 52, 120, 24);
    label3->setGeometry(8, 82, 40, 24);
    m_txtSearch->setGeometry(50, 82, 120, 24);
    m_searchButton->setGeometry(176, 80, 80, 28);
    m_search->setFixedHeight(118);
}

void Frm_CKTY::buildHeaderFrame() {
    m_headerBox = new QGroupBox(QStringLiteral("信息"), this);
    m_headerBox->setObjectName(QStringLiteral("Frame3"));
    const LabelledBox fields[] = {
        {&m_txtDH, "Txt_DH", "处方号 ", "Label8", 150}, {&m_xm, "XM", "姓名 ", "Label4", 90},
        {&m_xb, "XB", "性别 ", "Label5", 50},           {&m_nl, "NL", "年龄 ", "Label6", 50},
        {&m_kdys, "KDYS", "医生 ", "Label7", 90},       {&m_kdsj, "KDSJ", "时间 ", "Label9", 150},
        {&m_zyh, "ZYH", "住院号", "Label10", 90},       {&m_cwh, "CWH", "床位号", "Label11", 60},
    };
    const int y = placeLabelledBoxes(m_headerBox, fields, 50);
    // A number may be typed here by hand; the void command checks it against the list.
    m_txtDH->setReadOnly(false);
    m_headerBox->setFixedHeight(y + 34);
}

void Frm_CKTY::buildButtonBar() {
    m_buttonBar = new QFrame(this);
    m_buttonBar->setObjectName(QStringLiteral("Frame4"));
    m_voidButton = makeButton(m_buttonBar, QStringLiteral("Command2"), QStringLiteral("单据作废(F2)"));
    m_voidedQueryButton =
        makeButton(m_buttonBar, QStringLiteral("Command5"), QStringLiteral("作废单据查询(&S)"));
    m_cardButton = makeButton(m_buttonBar, QStringLiteral("Command6"), QStringLiteral("刷卡(F8)"));
    m_closeButton = makeButton(m_buttonBar, QStringLiteral("Command4"), QStringLiteral("关闭(&Q)"));
    int x = 8;
    for (QPushButton* b : {m_voidButton, m_voidedQueryButton, m_cardButton, m_closeButton}) {
        const int w = b == m_voidedQueryButton ? 140 : 100;
        b->setGeometry(x, 8, w, 30);
        x += w + 8;
    }
    // Until the voided-documents query is built into the program the button says so by being off.
    m_voidedQueryButton->setEnabled(WindowRequests::canOpen(QStringLiteral("Frm_TYCX")));
    m_buttonBar->setFixedHeight(46);
}

// Every step of the load goes on after a failing one.
void Frm_CKTY::loadWindow() {
    CleanControl::SetControlColor(this);
    CleanControl::Cls_ALL(this);
    bool keepRows = false;
    StyleGridHighlight(m_list, keepRows);
    keepRows = false;
    StyleGridHighlight(m_items, keepRows);

    m_list->setMaxCols(2);
    m_list->setColumnHeader(1, QStringLiteral("处方号码"));
    m_list->setColumnHeader(2, QStringLiteral("病人姓名"));
    m_list->setColumnWidthChars(0, 3);
    m_list->setColumnWidthChars(1, 14);
    m_list->setColumnWidthChars(2, 10);

    const QStringList headers{QStringLiteral("序号"), QStringLiteral("组"),   QStringLiteral("编码"),
                              QStringLiteral("品名"), QStringLiteral("规格"), QStringLiteral("单位"),
                              QStringLiteral("数量"), QStringLiteral("单价"), QStringLiteral("实收")};
    m_items->setMaxCols(int(headers.size()) - 1);
    for (int c = 0; c < headers.size(); ++c)
        m_items->setColumnHeader(c, headers.at(c));
    const double widths[] = {4, 3.5, 10, 20, 12, 5, 6, 8, 8};
    for (int c = 0; c < headers.size(); ++c)
        m_items->setColumnWidthChars(c, widths[c]);

    const QDate today = Clock::today();
    FillList(QStringLiteral("%"), today, today);
    RefreshList();
}

void Frm_CKTY::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The clerk starts in the list: the arrow keys pick a document, Enter opens it.
    if (!m_shownBefore && !isAncestorOf(QApplication::focusWidget()))
        m_list->setFocus(Qt::OtherFocusReason);
    m_shownBefore = true;
}

void Frm_CKTY::RefreshList() {
    const QString cleaned = CleanInputText(m_txtSearch->text());
    FillList(cleaned + QLatin1Char('%'), m_sD->date(), m_eD->date());
}

void Frm_CKTY::FillList(const QString& namePattern, const QDate& from, const QDate& to) {
    QVector<QStringList> rows;
    AppError error;
    if (!LoadVoidableList(gExecDept, namePattern, from, to, &rows, &error)) {
        ShowErrorMessage(error);
        return;
    }
    m_list->setAllRows(std::move(rows));
}

void Frm_CKTY::selectListedRow(int row) {
    if (m_list->maxRows() == 0 || row < 1)
        return;
    const int active = m_list->activeRow() > 0 ? m_list->activeRow() : row;
    const QString dh = m_list->text(active, 1);
    ShowHeader(dh);
    LoadDetail(dh);
    m_txtDH->setText(dh);
}

void Frm_CKTY::ShowHeader(const QString& dh) {
    m_headerBox->setTitle(QStringLiteral("门诊处方信息"));
    DocumentHeader header;
    AppError error;
    const HeaderLoad loaded = LoadDocumentHeader(dh, false, &header, &error);
    if (loaded == HeaderLoad::Failed) {
        ShowErrorMessage(error);
        return;
    }
    m_cwh->clear();
    m_zyh->clear();
    if (loaded == HeaderLoad::NoRow) {
        ShowErrorMessage(error);
        return;
    }
    m_nl->setText(header.nl);
    m_xm->setText(header.xm);
    m_xb->setText(header.xb);
    m_kdys->setText(header.kdys);
    m_kdsj->setText(header.kdsj);
}

void Frm_CKTY::LoadDetail(const QString& dh) {
    QVector<QStringList> rows;
    double total = 0;
    AppError error;
    if (!LoadVoidItems(gExecDept, dh, &rows, &total, &error)) {
        ShowErrorMessage(error);
        return;
    }
    m_items->clearAll();
    m_totalsRow = 0;
    m_items->setAllRows(std::move(rows));
    RColor();

    m_totalsRow = m_items->appendRow();
    m_items->joinCells(m_totalsRow, 1, 1, 2);
    m_items->setCellStatic(m_totalsRow, 1, Qt::AlignCenter);
    m_items->setText(m_totalsRow, 1, QStringLiteral("合计:"));
    m_items->setText(m_totalsRow, kAmountColumn, ItemRows::FormatFixed(total, 2));
}

void Frm_CKTY::RColor() {
    for (int row = 1; row <= m_items->maxRows(); ++row) {
        if (row == m_totalsRow)
            continue;
        const qint64 group = ItemRows::GroupNumber(m_items->text(row, kGroupColumn));
        m_items->setCellBackground(row, kGroupColumn,
                                   group % 2 == 0 ? QColor(192, 192, 0) : QColor(0, 192, 192));
    }
}

QStringList Frm_CKTY::listedNumbers() const {
    QStringList out;
    for (int row = 1; row <= m_list->maxRows(); ++row)
        out << m_list->text(row, 1);
    return out;
}

void Frm_CKTY::VoidSelected() {
    // F2 is the void button's key: nothing is voided while the button is off.
    if (!m_voidButton->isEnabled())
        return;
    // Whatever the boxes said, the keyboard is back in the list for the next document.
    const auto backToList = qScopeGuard([this] { m_list->setFocus(Qt::OtherFocusReason); });
    const VoidRefusal refusal = CheckVoid(m_txtDH->text(), listedNumbers());
    if (refusal != VoidRefusal::None) {
        Messages::warning(VoidRefusalText(refusal));
        return;
    }
    if (!Messages::confirmOkCancel(ConfirmVoidText(m_xm->text())))
        return;
    VoidDocument(m_txtDH->text());
}

void Frm_CKTY::VoidDocument(const QString& dh) {
    AppError error;
    const QString user = gUser ? gUser->GetUserName : QString();
    switch (::VoidDocument(dh, gExecDept, user, &error)) {
    case VoidOutcome::Voided:
        Messages::show(QStringLiteral("系统提示"), QStringLiteral("操作成功！"), MsgIcon::Information);
        RefreshList();
        break;
    case VoidOutcome::AlreadyVoided:
        Messages::warning(VoidRefusalText(VoidRefusal::NotListed));
        RefreshList();
        break;
    case VoidOutcome::Failed:
        ShowErrorMessage(error);
        break;
    }
}

bool Frm_CKTY::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        isAncestorOf(static_cast<QWidget*>(watched))) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F2) {
            VoidSelected();
            return true;
        }
        if (watched == m_txtSearch && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            RefreshList();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Frm_CKTY::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2) {
        VoidSelected();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Frm_CKTY::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrangeControls();
}

void Frm_CKTY::arrangeControls() {
    const int w = width();
    const int h = height();
    const int listWidth = 280;
    const int listHeight = qMax(0, h - m_search->height() - twips(200));
    m_list->setGeometry(0, 0, listWidth, listHeight);
    m_search->setGeometry(0, m_list->y() + listHeight + twips(50), listWidth, m_search->height());
    const int right = listWidth + twips(100);
    const int detailWidth = qMax(0, w - listWidth - twips(100));
    m_headerBox->setGeometry(right, 0, detailWidth, m_headerBox->height());
    m_items->setGeometry(right, m_headerBox->height(), detailWidth,
                         qMax(0, listHeight - m_headerBox->height()));
    m_buttonBar->setGeometry(right, h - m_buttonBar->height() - twips(50), detailWidth,
                             m_buttonBar->height());
}
