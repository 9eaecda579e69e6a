#include "execution/Mz_CKFY.h"

#include "common/CleanControl.h"
#include "common/GridStyle.h"
#include "common/NamedControls.h"
#include "common/SpreadGrid.h"
#include "common/WaitingCommands.h"
#include "common/WindowRequests.h"
#include "common/core/BusyState.h"
#include "common/core/Clock.h"
#include "common/core/InputText.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/audit/AuditTrail.h"
#include "db/documents/ItemRows.h"
#include "execution/core/AutoPrintOption.h"
#include "execution/core/ExecutionAttempt.h"
#include "execution/core/ExecutionOutcome.h"
#include "execution/core/ExecutionRules.h"
#include "execution/core/PendingDocuments.h"
#include "output/ScannedNumberInput.h"
#include "output/SlipPrinting.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QDateEdit>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTimer>

namespace {

constexpr int kRefreshIntervalMs = 5000;
const QString kExecutedQuery = QStringLiteral("Frm_FYCX");

int twips(int t) {
    return CleanControl::twipsToPixels(t);
}

} // namespace

using namespace NamedControls;

Mz_CKFY::Mz_CKFY(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Mz_CKFY"));
    setWindowTitle(QStringLiteral("待执行单据管理"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    watchKeysOfChildren(this);
    resize(1000, 650);
    loadWindow();
}

Mz_CKFY::~Mz_CKFY() = default;

void Mz_CKFY::buildControls() {
    // List title with the period.
    m_titleFrame = new QFrame(this);
    m_titleFrame->setObjectName(QStringLiteral("Frame1"));
    m_titleLabel = makeLabel(m_titleFrame, QStringLiteral("Label1"), QStringLiteral("未执行单据"));
    auto* startLabel = makeLabel(m_titleFrame, QStringLiteral("Label13"), QStringLiteral("开始"));
    m_sD = makeDate(m_titleFrame, QStringLiteral("S_D"));
    auto* endLabel = makeLabel(m_titleFrame, QStringLiteral("Label14"), QStringLiteral("结束"));
    m_eD = makeDate(m_titleFrame, QStringLiteral("E_D"));
    m_titleLabel->setGeometry(4, 4, 120, 22);
    startLabel->setGeometry(4, 30, 30, 24);
    m_sD->setGeometry(34, 30, 110, 24);
    endLabel->setGeometry(150, 30, 30, 24);
    m_eD->setGeometry(180, 30, 110, 24);
    m_titleFrame->setFixedHeight(58);

    m_list = new SpreadGrid(this);
    m_list->setObjectName(QStringLiteral("fpSpread1"));

    // Strip under the list: counters and the typed prescription number.
    m_strip = new QFrame(this);
    m_strip->setObjectName(QStringLiteral("Picture1"));
    m_outpatientCount = makeLabel(m_strip, QStringLiteral("Label_MZ"), QStringLiteral("门诊:0张"));
    m_inpatientCount = makeLabel(m_strip, QStringLiteral("Label_ZY"), QStringLiteral("住院:0张"));
    auto* cfhLabel = makeLabel(m_strip, QStringLiteral("Label12"), QStringLiteral("门诊处方号(F3)"));
    m_typedNumber = makeBox(m_strip, QStringLiteral("CFH"), false);
    new ScannedNumberInput(m_typedNumber, 13); // a scanned slip barcode replaces the pre-filled date
    m_outpatientCount->setGeometry(4, 2, 100, 22);
    m_inpatientCount->setGeometry(110, 2, 100, 22);
    cfhLabel->setGeometry(4, 28, 100, 24);
    m_typedNumber->setGeometry(104, 28, 186, 24);
    m_waitLabel =
        makeLabel(m_titleFrame, QStringLiteral("Label_Wait"), QStringLiteral("正在等待数据库应答..."));
    m_waitLabel->setGeometry(124, 4, 166, 22);
    m_waitLabel->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
    m_waitLabel->hide();
    m_strip->setFixedHeight(56);

    // Header of the selected document.
    m_headerBox = new QGroupBox(QStringLiteral("信息"), this);
    m_headerBox->setObjectName(QStringLiteral("Frame3"));
    const LabelledBox fields[] = {
        {&m_txtDH, "Txt_DH", "单号 ", "Label4", 150}, {&m_xm, "XM", "姓名 ", "Label5", 90},
        {&m_xb, "XB", "性别 ", "Label6", 50},         {&m_nl, "NL", "年龄 ", "Label7", 50},
        {&m_kdys, "KDYS", "医生 ", "Label8", 90},     {&m_kdsj, "KDSJ", "时间 ", "Label9", 150},
        {&m_zyh, "ZYH", "住院号", "Label10", 90},     {&m_cwh, "CWH", "床位号", "Label11", 60},
    };
    const int y = placeLabelledBoxes(m_headerBox, fields, 46);
    m_numberCaption = makeLabel(m_headerBox, QStringLiteral("Label16"), QStringLiteral("No:"));
    m_executionNumber = makeLabel(m_headerBox, QStringLiteral("Label_FYDH"), QString());
    m_numberCaption->setGeometry(8, y + 30, 30, 22);
    m_executionNumber->setGeometry(40, y + 30, 160, 22);
    m_headerBox->setFixedHeight(y + 60);

    m_items = new SpreadGrid(this);
    m_items->setObjectName(QStringLiteral("fpSpread2"));

    // Button bar.
    m_buttonBar = new QFrame(this);
    m_buttonBar->setObjectName(QStringLiteral("Frame4"));
    auto* label2 = makeLabel(m_buttonBar, QStringLiteral("Label2"), QStringLiteral("执行人:"));
    m_fyr = makeBox(m_buttonBar, QStringLiteral("FYR"));
    auto* label3 = makeLabel(m_buttonBar, QStringLiteral("Label3"), QStringLiteral("复核人:"));
    m_pyr = makeBox(m_buttonBar, QStringLiteral("PYR"));
    m_changeCheckerButton = makeButton(m_buttonBar, QStringLiteral("Command1"), QStringLiteral("更改复核人"));
    m_autoPrintBox = new QCheckBox(QStringLiteral("自动打印处方"), m_buttonBar);
    m_autoPrintBox->setObjectName(QStringLiteral("Check1"));
    m_printAllItemsBox = new QCheckBox(QStringLiteral("打印所有项目"), m_buttonBar);
    m_printAllItemsBox->setObjectName(QStringLiteral("Check2"));
    m_executeButton = makeButton(m_buttonBar, QStringLiteral("Command2"), QStringLiteral("执行(F2)"));
    m_refreshButton = makeButton(m_buttonBar, QStringLiteral("Command3"), QStringLiteral("手工刷新(F5)"));
    m_closeButton = makeButton(m_buttonBar, QStringLiteral("Command4"), QStringLiteral("关闭(&Q)"));
    m_executedQueryButton =
        makeButton(m_buttonBar, QStringLiteral("Command5"), QStringLiteral("已执行单据查询(&S)"));
    m_cardButton = makeButton(m_buttonBar, QStringLiteral("Command6"), QStringLiteral("刷卡(F8)"));
    m_printButton = makeButton(m_buttonBar, QStringLiteral("Command7"), QStringLiteral("打印(&P)"));
    m_previewButton = makeButton(m_buttonBar, QStringLiteral("Command8"), QStringLiteral("预览(&R)"));
    m_executedQueryButton->setEnabled(WindowRequests::canOpen(kExecutedQuery));
    label2->setGeometry(4, 4, 50, 24);
    m_fyr->setGeometry(54, 4, 80, 24);
    label3->setGeometry(140, 4, 50, 24);
    m_pyr->setGeometry(190, 4, 80, 24);
    m_changeCheckerButton->setGeometry(276, 4, 90, 26);
    m_autoPrintBox->setGeometry(4, 36, 110, 24);
    m_printAllItemsBox->setGeometry(116, 36, 110, 24);
    m_buttonBar->setFixedHeight(64);

    m_checkerMenu = new QMenu(this);
    m_checkerMenu->setObjectName(QStringLiteral("yj"));
    auto* first = m_checkerMenu->addAction(QString());
    first->setObjectName(QStringLiteral("yf"));
    first->setEnabled(false);
    m_yf.append(first);

    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setObjectName(QStringLiteral("Timer1"));
    m_refreshTimer->setInterval(kRefreshIntervalMs);

    connect(m_refreshTimer, &QTimer::timeout, this, &Mz_CKFY::refreshTick);
    // While a statement waits for the database nothing new is written or printed from here.
    new WaitingCommands(this,
                        {QStringLiteral("Command2"), QStringLiteral("Command3"), QStringLiteral("Command7"),
                         QStringLiteral("Command8"), QStringLiteral("Check1")});
    connect(&BusyState::instance(), &BusyState::waitingChanged, this, &Mz_CKFY::showWaiting);
    connect(&SessionEvents::instance(), &SessionEvents::userSwitched, this, &Mz_CKFY::takeSignedInUser);
    connect(m_list, &SpreadGrid::cellClicked, this, [this](int row, int) { selectListedRow(row); });
    connect(m_list, &SpreadGrid::rowEntered, this, &Mz_CKFY::selectListedRow);
    connect(m_typedNumber, &QLineEdit::textChanged, this, &Mz_CKFY::lookUpTypedNumber);
    connect(m_changeCheckerButton, &QPushButton::clicked, this,
            [this] { m_checkerMenu->popup(QCursor::pos()); });
    connect(m_checkerMenu, &QMenu::triggered, this, &Mz_CKFY::chooseChecker);
    connect(m_autoPrintBox, &QCheckBox::clicked, this, &Mz_CKFY::saveAutoPrintOption);
    connect(m_executeButton, &QPushButton::clicked, this, &Mz_CKFY::ExecuteSelected);
    connect(m_refreshButton, &QPushButton::clicked, this, &Mz_CKFY::RefreshDJList);
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(m_executedQueryButton, &QPushButton::clicked, this, [] { WindowRequests::open(kExecutedQuery); });
    connect(m_printButton, &QPushButton::clicked, this, [this] {
        bool isPrint = true;
        MZCFPrint(m_txtDH->text(), isPrint, false);
    });
    connect(m_previewButton, &QPushButton::clicked, this, [this] {
        bool isPrint = false;
        MZCFPrint(m_txtDH->text(), isPrint, !m_zyh->text().isEmpty());
    });
}

bool Mz_CKFY::autoRefreshOn() const {
    return m_refreshTimer->isActive();
}

// Every step of the load goes on after a failing one.
void Mz_CKFY::loadWindow() {
    const QDate today = Clock::today();
    m_sD->setDate(today);
    m_eD->setDate(today);
    {
        const QSignalBlocker block(m_typedNumber);
        m_typedNumber->setText(today.toString(QStringLiteral("yyyyMMdd")));
    }

    CleanControl::SetControlColor(this);
    bool keepRows = false;
    StyleGridHighlight(m_list, keepRows);
    keepRows = false;
    StyleGridHighlight(m_items, keepRows);
    m_list->setMaxCols(3);
    m_list->setColumnHeader(1, QStringLiteral("处方号码"));
    m_list->setColumnHeader(2, QStringLiteral("病人姓名"));
    m_list->setColumnHeader(3, QStringLiteral("类别"));
    m_list->setColumnWidthChars(0, 3);
    m_list->setColumnWidthChars(1, 13.75);
    m_list->setColumnWidthChars(2, 11.5);
    m_list->setColumnWidthChars(3, 9.5);
    m_items->setMaxCols(ItemRows::kColumnCount);
    const QStringList headers = ItemRows::Headers();
    for (int c = 0; c < headers.size(); ++c)
        m_items->setColumnHeader(c, headers.at(c));
    arrangeItemColumns();
    m_items->setCheckColumn(ItemRows::kTickColumn);
    m_items->setColumnEditable(ItemRows::kTickColumn, true);

    if (AutoRefreshConfiguredOff()) {
        m_refreshTimer->stop();
    } else {
        RefreshDJList();
        m_refreshTimer->start();
    }

    takeSignedInUser();
    fillCheckerMenu();

    loadAutoPrintOption();

    m_executionNumber->setText(proposedNumber());
}

QString Mz_CKFY::proposedNumber() const {
    QString number;
    AppError error;
    if (!ProposeExecutionNumber(&number, &error))
        ShowErrorMessage(error);
    return number;
}

void Mz_CKFY::takeSignedInUser() {
    const QString user = gUser ? gUser->GetUserName : QString();
    m_fyr->setText(user);
    m_pyr->setText(user);
}

void Mz_CKFY::fillCheckerMenu() {
    // Without users the menu keeps its single empty item.
    QStringList names;
    AppError error;
    if (!LoadCheckerNames(&names, &error) || names.isEmpty())
        return;
    m_yf.first()->setText(names.first());
    m_yf.first()->setEnabled(true);
    for (int i = 1; i < names.size(); ++i) {
        auto* item = m_checkerMenu->addAction(names.at(i));
        item->setObjectName(QStringLiteral("yf"));
        m_yf.append(item);
    }
}

void Mz_CKFY::chooseChecker(QAction* action) {
    if (action && m_yf.contains(action))
        m_pyr->setText(action->text());
}

void Mz_CKFY::loadAutoPrintOption() {
    int state = 0;
    AppError error;
    if (!AutoPrintOption::load(&state, &error)) {
        ShowErrorMessage(error);
        return;
    }
    const QSignalBlocker block(m_autoPrintBox);
    m_autoPrintBox->setCheckState(state == 2   ? Qt::PartiallyChecked
                                  : state == 1 ? Qt::Checked
                                               : Qt::Unchecked);
    m_savedAutoPrint = state;
}

void Mz_CKFY::saveAutoPrintOption() {
    // A click always leaves the box ticked or not; a stored "2" only shows greyed until then.
    m_autoPrintBox->setTristate(false);
    const int state = m_autoPrintBox->checkState() == Qt::Checked ? 1 : 0;
    AppError error;
    if (!AutoPrintOption::save(state, &error)) {
        ShowErrorMessage(error);
        const QSignalBlocker block(m_autoPrintBox);
        m_autoPrintBox->setCheckState(m_savedAutoPrint == 1 ? Qt::Checked : Qt::Unchecked);
        return;
    }
    m_savedAutoPrint = state;
}

void Mz_CKFY::MZCFPrint(const QString& dh, bool& isPrint, bool isZYCF) {
    // The slip of the department's items; isPrint comes back false when nothing was printed.
    const SlipRequest request{dh, gExecDept, isZYCF || m_zyh->text().size() > 0, m_fyr->text(),
                              m_pyr->text()};
    isPrint =
        SlipPrinting::MZCFPrint(request, isPrint ? SlipPrinting::Mode::Print : SlipPrinting::Mode::Preview) &&
        isPrint;
    if (isPrint)
        AuditTrail::record(AuditTrail::entryFor(AuditAction::SlipPrint, dh));
}

bool Mz_CKFY::applyPrintedMarking(const QString& dh, const QString& lx, const QVariant& isPrint) {
    if (!NeedsPrintedMark(lx, isPrint))
        return true;
    // Marked only once the print job was accepted; a failed print says so once and the
    // document stays unmarked for the next refresh.
    if (!SlipPrinting::autoPrint({dh, gExecDept, IsInpatient(lx), m_fyr->text(), m_pyr->text()}))
        return true;
    AuditTrail::record(AuditTrail::entryFor(AuditAction::SlipPrint, dh, QStringLiteral("自动打印")));
    AppError error;
    if (MarkPrinted(dh, lx, &error))
        return true;
    ShowErrorMessage(error);
    return false;
}

void Mz_CKFY::refreshTick() {
    // Never in the middle of a statement, an execution, a print or an export (whatever their
    // progress windows let through): the next tick comes soon enough.
    if (BusyState::instance().underWay())
        return;
    RefreshDJList();
}

void Mz_CKFY::showWaiting(bool waiting) {
    m_waitLabel->setVisible(waiting);
    if (waiting)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void Mz_CKFY::RefreshDJList() {
    // A message box of one refresh must not let the timer start another underneath it.
    if (m_refreshing)
        return;
    m_refreshing = true;
    const auto done = qScopeGuard([this] { m_refreshing = false; });
    const BusyState::Guard busy;
    const WorkUnderWay working(m_working);

    if (m_sD->date() > m_eD->date()) {
        Messages::warning(QStringLiteral("日期不能倒置"));
        m_sD->setDate(m_eD->date());
        return;
    }

    // The timer refreshes every few seconds and mostly finds the list as it was: then nothing
    // is read out of the result and nothing is redrawn. The printed marking looks at every row.
    const bool marking = m_autoPrintBox->checkState() == Qt::Checked;
    if (marking)
        m_pendingReader.forget();
    QVector<PendingDocument> documents;
    AppError error;
    const auto outcome = m_pendingReader.read(gExecDept, m_sD->date(), m_eD->date(), &documents, &error);
    if (outcome == PendingListReader::Outcome::Failed) {
        ShowErrorMessage(error);
        return;
    }
    if (outcome == PendingListReader::Outcome::Unchanged)
        return;

    // Keep the user's place: the selected document stays active, the view does not jump.
    const int oldActive = m_list->activeRow();
    const QString activeDH = oldActive > 0 ? m_list->text(oldActive, 1) : QString();
    const int scroll = m_list->verticalScrollBar()->value();

    QVector<QStringList> rows(documents.size());
    PendingCounts counts;
    int newActive = 0;
    bool failed = false;
    for (int i = 0; i < documents.size(); ++i) {
        const PendingDocument& d = documents.at(i);
        if (marking && !applyPrintedMarking(d.dh, d.lx, d.isPrint)) {
            rows[i] = {d.dh, d.xm}; // the type is written only after the marking
            failed = true;
            break;
        }
        rows[i] = {d.dh, d.xm, d.lx};
        counts.add(d.lx);
        if (newActive == 0 && !activeDH.isEmpty() && d.dh == activeDH)
            newActive = i + 1;
    }
    if (failed)
        m_pendingReader.forget(); // the list shows only part of the result

    // The grid keeps scroll position and selection itself; only a moved document needs help.
    m_list->setAllRows(std::move(rows));
    if (newActive > 0 && newActive != m_list->activeRow())
        m_list->setActiveRow(newActive);
    else if (newActive == 0 && !activeDH.isEmpty())
        m_list->setActiveRow(0); // the selected document left the list: highlight no other in its place
    m_list->verticalScrollBar()->setValue(scroll);
    if (failed)
        return;

    m_outpatientCount->setText(counts.outpatientText());
    m_inpatientCount->setText(counts.inpatientText());
}

void Mz_CKFY::selectListedRow(int row) {
    if (m_list->maxRows() == 0 || row < 1)
        return;
    const WorkUnderWay working(m_working);
    const int active = m_list->activeRow() > 0 ? m_list->activeRow() : row;
    const QString dh = m_list->text(active, 1);
    const QString lx = m_list->text(active, 3);
    LoadDJHead(dh, lx);
    LoadDJMX(dh, lx);
    m_txtDH->setText(dh);
}

void Mz_CKFY::lookUpTypedNumber(const QString& text) {
    const QString cleaned = CleanInputText(text);
    if (cleaned != text) {
        // Writing the cleaned text back comes here again with it.
        m_typedNumber->setText(cleaned);
        return;
    }
    if (cleaned.size() != 13)
        return;
    const WorkUnderWay working(m_working);
    bool found = false;
    AppError error;
    if (!FindPrescription(cleaned, gExecDept, &found, &error)) {
        ShowErrorMessage(error);
        return;
    }
    if (!found) {
        Messages::warning(QStringLiteral("未找到该处方,请核对。"));
        return;
    }
    LoadDJHead(cleaned, QString());
    LoadDJMX(cleaned, QString());
    m_txtDH->setText(cleaned);
}

void Mz_CKFY::LoadDJHead(const QString& dh, const QString& lx) {
    const bool inpatient = IsInpatient(lx);
    m_headerBox->setTitle(inpatient ? QStringLiteral("住院处方信息") : QStringLiteral("门诊处方信息"));
    DocumentHeader header;
    AppError error;
    const HeaderLoad loaded = LoadDocumentHeader(dh, inpatient, &header, &error);
    if (loaded == HeaderLoad::Failed) {
        ShowErrorMessage(error);
        return;
    }
    if (inpatient) {
        m_nl->clear();
    } else {
        m_cwh->clear();
        m_zyh->clear();
    }
    if (loaded == HeaderLoad::NoRow) {
        ShowErrorMessage(error);
        return;
    }
    if (inpatient) {
        m_zyh->setText(header.zyh);
        m_cwh->setText(header.cwh);
    } else {
        m_nl->setText(header.nl);
    }
    m_xm->setText(header.xm);
    m_xb->setText(header.xb);
    m_kdys->setText(header.kdys);
    m_kdsj->setText(header.kdsj);
}

void Mz_CKFY::LoadDJMX(const QString& dh, const QString& lx) {
    m_executionNumber->setText(proposedNumber());
    m_items->clearAll();
    m_totalsRow = 0;
    // Inpatient items are not listed here: those documents are not executed in this window.
    if (IsInpatient(lx))
        return;

    QVector<QStringList> rows;
    double total = 0;
    AppError error;
    if (!ItemRows::Load(gExecDept, dh, &rows, &total, &error)) {
        ShowErrorMessage(error);
        return;
    }
    m_items->setAllRows(std::move(rows));
    RColor();

    const int totalRow = m_items->appendRow();
    m_totalsRow = totalRow;
    m_items->joinCells(totalRow, 1, 1, 2);
    m_items->setCellStatic(totalRow, 1, Qt::AlignLeft | Qt::AlignVCenter);
    m_items->setText(totalRow, 1, QStringLiteral("合计:"));
    m_items->setText(totalRow, ItemRows::kAmountColumn, ItemRows::FormatFixed(total, 2));
    fitItemColumns();
}

// The widths in the grid's character units, then as much wider as the headings and the shown
// values need (amounts of 1000 and more, five-character headings).
void Mz_CKFY::arrangeItemColumns() {
    const std::pair<int, double> widths[] = {{0, 5}, {2, 3.75}, {3, 15.5}, {4, 21.5},  {5, 12.25}, {6, 5.37},
                                             {7, 5}, {8, 7.37}, {9, 6.62}, {11, 9.08}, {12, 6.5}};
    for (const auto& [col, chars] : widths)
        m_items->setColumnWidthChars(col, chars);
    fitItemColumns();
}

// Columns only grow, so that what the user widened stays.
void Mz_CKFY::fitItemColumns() {
    for (int col = 1; col <= ItemRows::kColumnCount; ++col)
        m_items->fitColumnToText(col);
}

void Mz_CKFY::RColor() {
    for (int row = 1; row <= m_items->maxRows(); ++row) {
        if (row == m_totalsRow)
            continue;
        const qint64 group = ItemRows::GroupNumber(m_items->text(row, ItemRows::kGroupColumn));
        m_items->setCellBackground(row, ItemRows::kGroupColumn,
                                   group % 2 == 0 ? QColor(192, 192, 0) : QColor(0, 192, 192));
    }
}

QStringList Mz_CKFY::listedNumbers() const {
    QStringList out;
    for (int row = 1; row <= m_list->maxRows(); ++row)
        out << m_list->text(row, 1);
    return out;
}

QList<bool> Mz_CKFY::itemTicks() const {
    QList<bool> out;
    for (int row = 1; row <= m_items->maxRows(); ++row)
        if (row != m_totalsRow)
            out << (m_items->text(row, ItemRows::kTickColumn) == QLatin1String("1"));
    return out;
}

bool Mz_CKFY::isListedAsInpatient(const QString& dh) const {
    const QString wanted = dh.trimmed();
    for (int row = 1; row <= m_list->maxRows(); ++row)
        if (m_list->text(row, 1).trimmed() == wanted)
            return IsInpatient(m_list->text(row, 3));
    return false;
}

void Mz_CKFY::ExecuteSelected() {
    // One attempt at a time: a command given while a statement is still waiting is not taken.
    if (BusyState::instance().underWay())
        return;
    const BusyState::Guard busy;
    const WorkUnderWay working(m_working);
    // After every box of the attempt the keyboard is back where the next step starts: the
    // item grid when no item is ticked, else the pending list.
    bool itemsWanted = false;
    const auto focus = qScopeGuard([this, &itemsWanted] {
        QWidget* target = itemsWanted ? m_items : m_list;
        if (target->isEnabled())
            target->setFocus(Qt::OtherFocusReason);
    });
    RefreshDJList();
    // Inpatient documents would land in the outpatient execution table; refuse them openly.
    const bool inpatient = !m_zyh->text().isEmpty() || isListedAsInpatient(m_txtDH->text());
    const ExecutionRefusal refusal = CheckExecution(m_txtDH->text(), listedNumbers(), itemTicks(), inpatient);
    if (refusal != ExecutionRefusal::None) {
        itemsWanted = refusal == ExecutionRefusal::NoItemTicked;
        Messages::warning(RefusalText(refusal));
        return;
    }
    // Nobody is asked to confirm what will be refused anyway.
    if (inpatient) {
        Messages::warning(InpatientNotExecutedText());
        return;
    }
    if (!Messages::confirmOkCancel(ConfirmExecutionText(m_xm->text())))
        return;
    ExecDJ(m_txtDH->text());
}

void Mz_CKFY::ExecDJ(const QString& dh) {
    ExecutionRecord record;
    record.zxdh = m_executionNumber->text();
    record.dh = dh;
    record.zxr = m_fyr->text();
    record.fhr = m_pyr->text();
    record.dept = gExecDept;
    record.xm = m_xm->text();
    QString stored;
    AppError error;
    CommitOutcome commit = CommitOutcome::Committed;
    const bool executed = ExecuteDocument(record, &stored, &error, &commit);
    // Either way the list is read again: it drops the executed document, and after a failure
    // it tells whether another workstation executed the document since the checks.
    RefreshDJList();
    switch (ExecutionAttempt::Settle(executed, commit, record.dh, listedNumbers())) {
    case ExecutionAttempt::Outcome::Executed:
        // The number written on the specimens is the one stored.
        m_executionNumber->setText(stored);
        Messages::success(ExecutionSuccessText(record.zxdh, stored));
        break;
    case ExecutionAttempt::Outcome::ExecutedInDoubt:
        m_executionNumber->setText(stored);
        Messages::notice(InDoubtCommitText(CommitOutcome::Stored, record.dh, stored));
        break;
    case ExecutionAttempt::Outcome::NotExecutedInDoubt:
        Messages::warning(InDoubtCommitText(CommitOutcome::NotStored, record.dh, record.zxdh));
        break;
    case ExecutionAttempt::Outcome::LeftList:
        Messages::warning(RefusalText(ExecutionRefusal::NotListed));
        break;
    case ExecutionAttempt::Outcome::Failed:
        ShowErrorMessage(error);
        break;
    }
}

bool Mz_CKFY::handleKey(int key) {
    switch (key) {
    case Qt::Key_F2:
        ExecuteSelected();
        return true;
    case Qt::Key_F3:
        if (!m_typedNumber->text().isEmpty())
            m_typedNumber->setCursorPosition(int(m_typedNumber->text().size()));
        m_typedNumber->setFocus();
        return true;
    case Qt::Key_F5:
        RefreshDJList();
        return true;
    case Qt::Key_F8:
        return true; // card reader: nothing to do
    default:
        return false;
    }
}

bool Mz_CKFY::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        isAncestorOf(static_cast<QWidget*>(watched))) {
        if (handleKey(static_cast<QKeyEvent*>(event)->key()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Mz_CKFY::keyPressEvent(QKeyEvent* event) {
    if (handleKey(event->key()))
        return;
    QWidget::keyPressEvent(event);
}

void Mz_CKFY::closeEvent(QCloseEvent* event) {
    // A routine of the window waiting for the database still needs the window when it resumes.
    if (m_working > 0) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void Mz_CKFY::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The executed-documents query may have joined the program since the window was built.
    m_executedQueryButton->setEnabled(WindowRequests::canOpen(kExecutedQuery));
    // The clerk starts in the list: the arrow keys pick a document, Enter opens it.
    if (!m_shownBefore && !isAncestorOf(QApplication::focusWidget()))
        m_list->setFocus(Qt::OtherFocusReason);
    m_shownBefore = true;
}

void Mz_CKFY::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrangeControls();
}

void Mz_CKFY::arrangeControls() {
    const int w = width();
    const int h = height();
    const int listWidth = qMin(320, qMax(200, w / 3));
    const int barHeight = m_buttonBar->height();
    // The button bar stays 50 twips above the bottom edge.
    m_buttonBar->setGeometry(0, h - twips(50) - barHeight, w, barHeight);
    arrangeButtons(w);
    m_titleFrame->setGeometry(0, 0, listWidth, m_titleFrame->height());
    const int listHeight =
        qMax(0, h - m_titleFrame->height() - barHeight - m_strip->height() - twips(100) - twips(50));
    m_list->setGeometry(0, m_titleFrame->height(), listWidth, listHeight);
    m_strip->setGeometry(0, m_list->geometry().bottom() + 1, listWidth, m_strip->height());
    const int right = listWidth + twips(100);
    const int detailWidth = qMax(0, w - listWidth - twips(100));
    m_headerBox->setGeometry(right, 0, detailWidth, m_headerBox->height());
    m_items->setGeometry(right, m_headerBox->height() + twips(50), detailWidth,
                         qMax(0, m_buttonBar->y() - m_headerBox->height() - twips(100)));
}

// One row of buttons when the bar is wide enough, else two, so that "关闭(&Q)" stays reachable.
void Mz_CKFY::arrangeButtons(int barWidth) {
    constexpr int kLeft = 380;
    constexpr int kGap = 6;
    const QPushButton* const wide = m_executedQueryButton;
    const QList<QPushButton*> buttons{m_executeButton, m_refreshButton,       m_printButton, m_previewButton,
                                      m_cardButton,    m_executedQueryButton, m_closeButton};
    int oneRow = 0;
    for (const QPushButton* b : buttons)
        oneRow += (b == wide ? 140 : 96) + kGap;
    const bool twoRows = kLeft + oneRow > barWidth;
    const int firstRowCount = twoRows ? 4 : int(buttons.size());
    int x = kLeft;
    for (int i = 0; i < buttons.size(); ++i) {
        if (i == firstRowCount)
            x = kLeft;
        const int width = buttons.at(i) == wide ? 140 : 96;
        const int y = !twoRows ? 18 : i < firstRowCount ? 3 : 34;
        buttons.at(i)->setGeometry(x, y, width, twoRows ? 28 : 30);
        x += width + kGap;
    }
}
