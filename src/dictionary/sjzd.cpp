#include "dictionary/sjzd.h"

#include "app/core/ImePreference.h"
#include "common/CleanControl.h"
#include "common/GridStyle.h"
#include "common/SpreadGrid.h"
#include "common/WaitingCommands.h"
#include "common/core/MessageService.h"
#include "dictionary/DictionaryModal.h"
#include "dictionary/Frm_LinkZD.h"
#include "dictionary/Frm_ZD.h"
#include "dictionary/core/DictionaryData.h"
#include "dictionary/core/DictionaryRules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

using namespace DictionaryRules;

namespace {

// Column 4 shows the module.
constexpr int kNameCol = 1, kCodeCol = 2, kTypeCol = 3, kRemarkCol = 5;
constexpr int kEntryTextCol = 1, kEntryIdCol = 2, kEntryMarkCol = 3;

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

// Deletes one grid row; an empty grid is refused in the application's words.
bool DeleteGridRow(SpreadGrid* grid, int row) {
    if (grid->maxRows() > 0) {
        grid->deleteRows(row, 1);
        return true;
    }
    const QString title = Messages::applicationTitle();
    Messages::show(title, title + QStringLiteral("  未发现可以删除的内容。"), MsgIcon::Exclamation);
    return false;
}

} // namespace

sjzd::sjzd(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("sjzd"));
    setWindowTitle(QStringLiteral("数据字典"));
    buildControls();
    resize(980, 620);
    loadWindow();
}

void sjzd::buildControls() {
    m_newDictionaryButton = makeButton(this, QStringLiteral("Command7"), QStringLiteral("新建字典(&N)"));
    m_editDictionaryButton = makeButton(this, QStringLiteral("Command5"), QStringLiteral("修改字典(&E)"));
    m_deleteDictionaryButton = makeButton(this, QStringLiteral("Command6"), QStringLiteral("删除字典(&D)"));
    m_closeButton = makeButton(this, QStringLiteral("Command1"), QStringLiteral("关闭(&Q)"));
    auto* commands = new QHBoxLayout;
    for (QPushButton* b :
         {m_newDictionaryButton, m_editDictionaryButton, m_deleteDictionaryButton, m_closeButton})
        commands->addWidget(b);
    commands->addStretch();

    auto* frame3 = new QGroupBox(QStringLiteral("字典过滤"), this);
    frame3->setObjectName(QStringLiteral("Frame3"));
    m_zdmc = new QLineEdit(frame3);
    m_zdmc->setObjectName(QStringLiteral("ZDMC"));
    m_searchDirectionBox = new QComboBox(frame3);
    m_searchDirectionBox->setObjectName(QStringLiteral("Combo1"));
    m_searchDirectionBox->addItems({QStringLiteral("所有"), QStringLiteral("向下"), QStringLiteral("向上")});
    m_findNextButton = makeButton(frame3, QStringLiteral("Com_Find"), QStringLiteral("查找下一个(&N)"));
    m_findNextButton->setEnabled(false);
    auto* filter = new QHBoxLayout(frame3);
    filter->addWidget(makeLabel(frame3, QStringLiteral("Label1"), QStringLiteral("字典名称")));
    filter->addWidget(m_zdmc, 1);
    filter->addWidget(makeLabel(frame3, QStringLiteral("Label2"), QStringLiteral("方向")));
    filter->addWidget(m_searchDirectionBox);
    filter->addWidget(m_findNextButton);

    auto* frame5 = new QGroupBox(QStringLiteral("窗体与字典关联"), this);
    frame5->setObjectName(QStringLiteral("Frame5"));
    m_linkSettingsButton =
        makeButton(frame5, QStringLiteral("Command3"), QStringLiteral("窗体与字典关联设置"));
    m_chooseLinkButton = makeButton(frame5, QStringLiteral("Command4"), QStringLiteral("选择此字典关联(&L)"));
    m_chooseLinkButton->setEnabled(false);
    m_showAllBox = new QCheckBox(QStringLiteral("显示所有字典"), frame5);
    m_showAllBox->setObjectName(QStringLiteral("Check1"));
    auto* links = new QHBoxLayout(frame5);
    links->addWidget(m_linkSettingsButton);
    links->addWidget(m_chooseLinkButton);
    links->addWidget(m_showAllBox);

    auto* frames = new QHBoxLayout;
    frames->addWidget(frame3, 3);
    frames->addWidget(frame5, 2);

    m_list = new SpreadGrid(this);
    m_list->setObjectName(QStringLiteral("fpSpread1"));
    m_list->setMaxCols(5);
    m_list->setColumnWidthChars(0, 4);
    const QStringList headings{QStringLiteral("字典名称"), QStringLiteral("字典代码"),
                               QStringLiteral("字典属性"), QStringLiteral("所属系统"),
                               QStringLiteral("备注")};
    const double widths[] = {17.25, 9.58, 13.08, 9.0, 23.62};
    for (int c = 1; c <= 5; ++c) {
        m_list->setColumnHeader(c, headings.at(c - 1));
        m_list->setColumnWidthChars(c, widths[c - 1]);
    }

    auto* entryPanel = new QWidget(this);
    m_entries = new SpreadGrid(entryPanel);
    m_entries->setObjectName(QStringLiteral("fpSpread2"));
    m_entries->setMaxCols(3);
    m_entries->setColumnWidthChars(0, 4);
    m_entries->setColumnWidthChars(kEntryTextCol, 40.6);
    m_entries->setColumnHeader(kEntryIdCol, QStringLiteral("id"));
    m_entries->setColumnHidden(kEntryIdCol, true);
    m_entries->setColumnHidden(kEntryMarkCol, true);
    m_entries->setColumnEditable(kEntryTextCol, true);
    m_newEntryButton = makeButton(entryPanel, QStringLiteral("Command2"), QStringLiteral("新建字典内容"));
    m_saveEntriesButton = makeButton(entryPanel, QStringLiteral("Command8"), QStringLiteral("保存"));
    m_deleteEntryButton = makeButton(entryPanel, QStringLiteral("Command9"), QStringLiteral("删除"));
    auto* entryButtons = new QHBoxLayout;
    entryButtons->addWidget(m_newEntryButton);
    entryButtons->addWidget(m_saveEntriesButton);
    entryButtons->addWidget(m_deleteEntryButton);
    entryButtons->addStretch();
    auto* entryLayout = new QVBoxLayout(entryPanel);
    entryLayout->setContentsMargins(0, 0, 0, 0);
    entryLayout->addWidget(m_entries, 1);
    entryLayout->addLayout(entryButtons);
    entryLayout->addWidget(makeLabel(entryPanel, QStringLiteral("Label3"),
                                     QStringLiteral("注意:修改字典内容后，重新启动软件生效。")));

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_list);
    splitter->addWidget(entryPanel);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(commands);
    layout->addLayout(frames);
    layout->addWidget(splitter, 1);

    connect(m_newDictionaryButton, &QPushButton::clicked, this, &sjzd::newDictionary);
    connect(m_editDictionaryButton, &QPushButton::clicked, this, &sjzd::editDictionary);
    connect(m_deleteDictionaryButton, &QPushButton::clicked, this, &sjzd::deleteDictionary);
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(m_findNextButton, &QPushButton::clicked, this, &sjzd::SearchNextZD);
    connect(m_zdmc, &QLineEdit::textChanged, this, &sjzd::searchTextChanged);
    connect(m_zdmc, &QLineEdit::returnPressed, this, [this] {
        if (!m_zdmc->text().isEmpty())
            SearchNextZD();
    });
    m_zdmc->installEventFilter(this);
    m_list->installEventFilter(this);
    connect(m_linkSettingsButton, &QPushButton::clicked, this, &sjzd::openLinks);
    connect(m_chooseLinkButton, &QPushButton::clicked, this, [this] { pick(m_list->activeRow()); });
    connect(m_showAllBox, &QCheckBox::toggled, this, &sjzd::RefreshData);
    connect(m_list, &SpreadGrid::activeRowChanged, this, &sjzd::listRowActivated);
    connect(m_list, &SpreadGrid::cellClicked, this, [this](int row, int) { listRowClicked(row); });
    connect(m_entries, &SpreadGrid::cellChanged, this, &sjzd::entryChanged);
    connect(m_newEntryButton, &QPushButton::clicked, this, &sjzd::addEntry);
    connect(m_saveEntriesButton, &QPushButton::clicked, this, &sjzd::SaveEntries);
    connect(m_deleteEntryButton, &QPushButton::clicked, this, &sjzd::deleteEntry);
    // New, edit and delete of dictionaries and their entries.
    new WaitingCommands(this,
                        {QStringLiteral("Command7"), QStringLiteral("Command5"), QStringLiteral("Command6"),
                         QStringLiteral("Command2"), QStringLiteral("Command8"), QStringLiteral("Command9")});
}

void sjzd::loadWindow() {
    bool keepRows = false;
    StyleGrid(m_list, keepRows);
    StyleGrid(m_entries, keepRows);
    CleanControl::SetControlColor(this);
    m_moduleKey = ModuleKey(Messages::applicationTitle());
    RefreshData();
}

bool sjzd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_zdmc && event->type() == QEvent::FocusIn)
        SwitchToPreferredInputMethod();
    // A list without an active row makes its first row active when the keyboard enters it;
    // that is no choice of the picker's user.
    if (watched == m_list && event->type() == QEvent::FocusIn && m_picker && m_list->activeRow() == 0 &&
        m_list->maxRows() > 0) {
        m_moving = true;
        m_list->setActiveRow(1);
        m_moving = false;
    }
    return QWidget::eventFilter(watched, event);
}

void sjzd::RefreshData() {
    QVector<DictionaryRow> rows;
    AppError error;
    if (!LoadDictionaryList(m_moduleKey, m_showAllBox->isChecked(), &rows, &error)) {
        ShowErrorMessage(error);
        return;
    }
    m_moving = true;
    m_list->setMaxRows(0);
    m_list->setMaxRows(int(rows.size()));
    for (int row = 1; row <= rows.size(); ++row) {
        const DictionaryRow& d = rows.at(row - 1);
        m_list->setRowValues(row, {d.name, d.code, d.type, d.module, d.remark});
    }
    m_moving = false;
}

void sjzd::LoadEntries(int row) {
    if (m_list->maxRows() == 0)
        return;
    if (row == 0)
        row = m_list->activeRow();
    if (row < 1)
        return;
    const QString name = m_list->text(row, kNameCol);
    QVector<EntryRow> rows;
    AppError error;
    if (!LoadDictionaryEntries(m_list->text(row, kCodeCol), &rows, &error)) {
        ShowErrorMessage(error);
        return;
    }
    m_entries->setMaxRows(0);
    m_entries->setMaxRows(int(rows.size()));
    m_entries->setColumnHeader(kEntryTextCol, QStringLiteral("【") + name + QStringLiteral("】字典内容"));
    for (int r = 1; r <= rows.size(); ++r)
        m_entries->setRowValues(r, {rows.at(r - 1).text, rows.at(r - 1).id});
}

void sjzd::listRowActivated(int row) {
    if (m_moving || row < 1)
        return;
    m_justActivated = row;
    if (m_picker)
        pick(row);
    else
        LoadEntries(row);
}

void sjzd::listRowClicked(int row) {
    if (row < 1)
        return;
    // The press that made the row active has loaded it already.
    if (row == m_justActivated) {
        m_justActivated = 0;
        return;
    }
    if (m_picker)
        pick(row);
    else
        LoadEntries(row);
}

void sjzd::entryChanged(int row, int) {
    if (!m_entries->text(row, kEntryIdCol).isEmpty())
        m_entries->setText(row, kEntryMarkCol, ChangedMark);
}

void sjzd::addEntry() {
    const int row = m_entries->appendRow();
    m_entries->scrollTo(m_entries->model()->index(qMax(0, row - 5), 0), QAbstractItemView::PositionAtTop);
}

void sjzd::deleteEntry() {
    if (m_entries->maxRows() == 0)
        return;
    const int row = m_entries->activeRow();
    if (row < 1)
        return;
    const QString id = m_entries->text(row, kEntryIdCol);
    if (id.isEmpty()) {
        DeleteGridRow(m_entries, row);
        return;
    }
    if (Messages::show(QStringLiteral("询问"), QStringLiteral("你真的要删除第%1行吗?").arg(row),
                       MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes) != MsgAnswer::Yes)
        return;
    AppError error;
    if (!DeleteDictionaryEntry(id, &error)) {
        ShowErrorMessage(error);
        return;
    }
    if (DeleteGridRow(m_entries, row))
        Messages::success(QStringLiteral("删除成功"));
}

void sjzd::SaveEntries() {
    const int dictionaryRow = m_list->activeRow();
    if (dictionaryRow < 1)
        return; // no dictionary to save into
    QList<EntryRow> rows;
    for (int r = 1; r <= m_entries->maxRows(); ++r)
        rows.append({m_entries->text(r, kEntryTextCol), m_entries->text(r, kEntryIdCol),
                     m_entries->text(r, kEntryMarkCol)});
    AppError error;
    switch (SaveDictionaryEntries(m_list->text(dictionaryRow, kCodeCol), rows, &error)) {
    case SaveResult::Saved:
        break;
    case SaveResult::Failed:
        ShowErrorMessage(error);
        return;
    case SaveResult::NothingToSave:
        return;
    }
    LoadEntries(0);
    Messages::success(QStringLiteral("保存成功"));
}

void sjzd::newDictionary() {
    auto* editor = new Frm_ZD(this);
    editor->setMode(QStringLiteral("新建"));
    editor->setWindowTitle(QStringLiteral("新建字典"));
    DictionaryModal::run(editor);
}

void sjzd::editDictionary() {
    const int row = m_list->activeRow();
    if (m_list->maxRows() == 0 || row < 1)
        return;
    auto* editor = new Frm_ZD(this);
    editor->setMode(QStringLiteral("修改"));
    // The remark is shown too: saving writes it back.
    editor->fill(m_list->text(row, kNameCol), m_list->text(row, kCodeCol), m_list->text(row, kRemarkCol),
                 m_list->text(row, kTypeCol) == QStringLiteral("系统"));
    DictionaryModal::run(editor);
}

void sjzd::deleteDictionary() {
    const int row = m_list->activeRow();
    if (m_list->maxRows() == 0 || row < 1)
        return;
    const QString code = m_list->text(row, kCodeCol);
    if (m_list->text(row, kTypeCol) == QStringLiteral("系统")) {
        Messages::show(QStringLiteral("提示"), QStringLiteral("该数据字典为系统字典，不能删除。"),
                       MsgIcon::Exclamation);
        return;
    }
    if (!Messages::confirmYesNo(QStringLiteral("询问"),
                                QStringLiteral("你真的要删除字典【%1】吗？").arg(code)))
        return;
    AppError error;
    if (!DeleteDictionary(code, &error)) {
        ShowErrorMessage(error);
        return;
    }
    RefreshData();
    Messages::notice(QStringLiteral("删除成功"));
}

void sjzd::openLinks() {
    DictionaryModal::run(new Frm_LinkZD);
}

void sjzd::searchTextChanged(const QString& text) {
    m_findNextButton->setEnabled(!text.isEmpty());
    m_lastHit = 1;
}

void sjzd::showHit(int row) {
    m_moving = true;
    m_list->setActiveRow(row);
    m_list->selectRow(row - 1);
    m_list->scrollTo(m_list->model()->index(row - 1, 0));
    m_moving = false;
    LoadEntries(row);
    if (m_picker)
        setWindowTitle(m_captionPrefix + QStringLiteral("  当前选择字典【") + m_list->text(row, kNameCol) +
                       QStringLiteral("】"));
}

void sjzd::SearchNextZD() {
    QStringList names;
    for (int r = 1; r <= m_list->maxRows(); ++r)
        names.append(m_list->text(r, kNameCol));
    const int hit = NextHit(names, m_lastHit, m_zdmc->text());
    if (hit == 0) {
        Messages::show(Messages::applicationTitle(), QStringLiteral("未找到搜索的字典"),
                       MsgIcon::Exclamation);
        return;
    }
    m_lastHit = hit;
    showHit(hit);
}

void sjzd::SearchZD(const QString& ZDCname) {
    QStringList names;
    for (int r = 1; r <= m_list->maxRows(); ++r)
        names.append(m_list->text(r, kNameCol));
    const int hit = ExactHit(names, ZDCname);
    if (hit > 0)
        showHit(hit);
}

void sjzd::setPicker(const QString& captionPrefix, GetData getData) {
    m_picker = true;
    m_captionPrefix = captionPrefix;
    m_getData = std::move(getData);
    m_chooseLinkButton->setEnabled(true);
    m_linkSettingsButton->setEnabled(false);
    setWindowTitle(captionPrefix);
}

void sjzd::pick(int row) {
    if (!m_picker || m_picked || row < 1 || row > m_list->maxRows())
        return;
    m_picked = true;
    const QString name = m_list->text(row, kNameCol);
    setWindowTitle(m_captionPrefix + QStringLiteral("  当前选择字典【") + name + QStringLiteral("】"));
    if (m_getData)
        m_getData(name, m_list->text(row, kCodeCol));
    close();
}
