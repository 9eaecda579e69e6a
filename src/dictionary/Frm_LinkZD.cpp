#include "dictionary/Frm_LinkZD.h"

#include "common/CleanControl.h"
#include "common/GridStyle.h"
#include "common/SpreadGrid.h"
#include "common/WaitingCommands.h"
#include "common/core/MessageService.h"
#include "dictionary/DictionaryModal.h"
#include "dictionary/core/DictionaryData.h"
#include "dictionary/core/DictionaryRules.h"
#include "dictionary/sjzd.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

using DictionaryRules::ChangedMark;

namespace {
constexpr int kEnameCol = 1, kCnameCol = 2, kNameCol = 3, kPickCol = 4, kCodeCol = 5, kClearCol = 6;
constexpr int kMarkCol = 7, kIdCol = 8;
constexpr int kTagRole = Qt::UserRole;
} // namespace

Frm_LinkZD::Frm_LinkZD(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_LinkZD"));
    setWindowTitle(QStringLiteral("窗体与字典关联设置"));
    setModal(true);
    buildControls();
    resize(900, 560);
    CleanControl::SetControlColor(this);
    bool keepRows = false;
    StyleGrid(m_grid, keepRows);
    buildTree();
}

void Frm_LinkZD::buildControls() {
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("TreeView1"));
    m_tree->setHeaderHidden(true);
    m_grid = new SpreadGrid(this);
    m_grid->setObjectName(QStringLiteral("fpSpread1"));
    m_grid->setMaxCols(kIdCol);
    m_grid->setColumnWidthChars(0, 4);
    const QStringList headings{QStringLiteral("名称"),       QStringLiteral("名称"),
                               QStringLiteral("已关联字典"), QStringLiteral("添加关联"),
                               QStringLiteral("关联英文"),   QStringLiteral("删除关联")};
    for (int c = 1; c <= headings.size(); ++c)
        m_grid->setColumnHeader(c, headings.at(c - 1));
    m_grid->setColumnWidthChars(kCnameCol, 17.75);
    m_grid->setColumnWidthChars(kNameCol, 15.08);
    m_grid->setColumnWidthChars(kPickCol, 12.0);
    m_grid->setColumnWidthChars(kClearCol, 8.75);
    m_grid->setColumnHidden(kMarkCol, true);
    m_grid->setColumnHidden(kIdCol, true);

    m_saveButton = new QPushButton(QStringLiteral("保存(&S)"), this);
    m_saveButton->setObjectName(QStringLiteral("Command1"));
    m_closeButton = new QPushButton(QStringLiteral("关闭(&Q)"), this);
    m_closeButton->setObjectName(QStringLiteral("Command2"));
    for (QPushButton* b : {m_saveButton, m_closeButton})
        b->setAutoDefault(false);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_tree);
    splitter->addWidget(m_grid);
    splitter->setStretchFactor(1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_saveButton);
    buttons->addWidget(m_closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);

    connect(m_tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { nodeClicked(item); });
    connect(m_grid, &SpreadGrid::cellClicked, this, &Frm_LinkZD::cellClicked);
    connect(m_saveButton, &QPushButton::clicked, this, &Frm_LinkZD::SaveLinks);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::reject);
    new WaitingCommands(this, {QStringLiteral("Command1")});
}

void Frm_LinkZD::buildTree() {
    QVector<WindowNode> rows;
    AppError error;
    if (!LoadWindowTree(&rows, &error)) {
        ShowErrorMessage(error);
        return;
    }
    const QIcon branch = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon leaf = style()->standardIcon(QStyle::SP_FileIcon);
    QHash<QString, QTreeWidgetItem*> nodes;
    for (const WindowNode& row : rows) {
        QTreeWidgetItem* parent = row.topLevel ? nullptr : nodes.value(QStringLiteral("key") + row.parentId);
        // A node whose parent is missing is shown at the top rather than lost.
        auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
        node->setText(0, row.name);
        node->setData(0, kTagRole, row.form);
        nodes.insert(QStringLiteral("key") + row.id, node);
    }
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        (*it)->setIcon(0, (*it)->childCount() > 0 ? branch : leaf);
    if (m_tree->topLevelItemCount() > 0)
        m_tree->topLevelItem(0)->setExpanded(true);
}

void Frm_LinkZD::nodeClicked(QTreeWidgetItem* item) {
    if (item && item->childCount() == 0)
        LoadLinks(item->data(0, kTagRole).toString());
}

void Frm_LinkZD::LoadLinks(const QString& formName) {
    QVector<ControlLink> links;
    AppError error;
    if (!LoadControlLinks(formName, &links, &error)) {
        ShowErrorMessage(error);
        return;
    }
    m_grid->setMaxRows(0);
    m_grid->setMaxRows(int(links.size()));
    for (int row = 1; row <= links.size(); ++row) {
        const ControlLink& link = links.at(row - 1);
        m_grid->setText(row, kEnameCol, link.control);
        m_grid->setText(row, kCnameCol, link.caption);
        m_grid->setText(row, kNameCol, link.dictionaryName);
        m_grid->setText(row, kPickCol, QStringLiteral("关联..."));
        m_grid->setText(row, kClearCol, QStringLiteral("删除"));
        m_grid->setText(row, kIdCol, link.id);
        for (int col : {kPickCol, kClearCol}) {
            m_grid->setCellStatic(row, col, Qt::AlignCenter);
            m_grid->setCellBackground(row, col, palette().color(QPalette::Button));
        }
    }
}

void Frm_LinkZD::cellClicked(int row, int col) {
    if (row < 1)
        return;
    if (col == kPickCol) {
        openPicker(row);
    } else if (col == kClearCol) {
        const int active = m_grid->activeRow();
        m_grid->setText(active, kNameCol, {});
        m_grid->setText(active, kCodeCol, {});
        m_grid->setText(active, kMarkCol, ChangedMark);
    }
}

void Frm_LinkZD::openPicker(int row) {
    const QString control = m_grid->text(row, kCnameCol).trimmed();
    const QString caption = QStringLiteral("请选择关联到【") + control + QStringLiteral("】的字典");
    auto* picker = new sjzd;
    QPointer<Frm_LinkZD> self(this);
    picker->setPicker(caption, [self](const QString& name, const QString& code) {
        if (self)
            self->GetData(name, code);
    });
    picker->SearchZD(control);
    DictionaryModal::run(picker);
}

void Frm_LinkZD::GetData(const QString& ZDCname, const QString& ZDEname) {
    const int row = m_grid->activeRow();
    if (row < 1)
        return;
    m_grid->setText(row, kNameCol, ZDCname);
    m_grid->setText(row, kCodeCol, ZDEname);
    m_grid->setText(row, kMarkCol, ChangedMark);
}

void Frm_LinkZD::SaveLinks() {
    QList<DictionaryRules::LinkRow> rows;
    for (int r = 1; r <= m_grid->maxRows(); ++r)
        rows.append({m_grid->text(r, kMarkCol), m_grid->text(r, kCodeCol), m_grid->text(r, kIdCol)});
    AppError error;
    switch (SaveControlLinks(rows, &error)) {
    case SaveResult::NothingToSave:
        Messages::show(QStringLiteral("提示"), QStringLiteral("没有可以被保存的数据"), MsgIcon::Exclamation);
        break;
    case SaveResult::Saved:
        Messages::success(QStringLiteral("保存成功"));
        break;
    case SaveResult::Failed:
        ShowErrorMessage(error);
        break;
    }
}
