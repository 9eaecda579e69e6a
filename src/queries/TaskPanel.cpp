#include "queries/TaskPanel.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QColor kHeaderBack(74, 122, 201);
const QColor kItemBack(214, 223, 247);
} // namespace

TaskPanelItem::TaskPanelItem(int id, const QString& caption, QWidget* control, QObject* parent, int role)
    : QObject(parent), m_id(id), m_role(role), m_caption(caption), m_control(control) {}

TaskPanelGroup::TaskPanelGroup(const QString& caption, const QString& toolTip, QWidget* parent)
    : QFrame(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_header = new QLabel(caption, this);
    m_header->setToolTip(toolTip);
    m_header->setAutoFillBackground(true);
    m_header->setContentsMargins(8, 4, 8, 4);
    QFont bold = m_header->font();
    bold.setBold(true);
    m_header->setFont(bold);
    QPalette hp = m_header->palette();
    hp.setColor(QPalette::Window, kHeaderBack);
    hp.setColor(QPalette::WindowText, Qt::white);
    m_header->setPalette(hp);
    m_body = new QWidget(this);
    m_body->setAutoFillBackground(true);
    QPalette bp = m_body->palette();
    bp.setColor(QPalette::Window, kItemBack);
    m_body->setPalette(bp);
    m_bodyLayout = new QVBoxLayout(m_body);
    m_bodyLayout->setContentsMargins(6, 6, 6, 6);
    m_bodyLayout->setSpacing(2);
    layout->addWidget(m_header);
    layout->addWidget(m_body);
}

QString TaskPanelGroup::caption() const {
    return m_header->text();
}

QColor TaskPanelGroup::itemBackColor() const {
    return kItemBack;
}

TaskPanelItem* TaskPanelGroup::addControlItem(int id, QWidget* control) {
    control->setParent(m_body);
    m_bodyLayout->addWidget(control);
    auto* item = new TaskPanelItem(id, QString(), control, this);
    m_items.append(item);
    return item;
}

TaskPanelItem* TaskPanelGroup::addLinkItem(int id, const QString& caption, const QIcon& icon, int role) {
    auto* link = new QToolButton(m_body);
    link->setText(caption);
    link->setToolTip(caption);
    link->setIcon(icon);
    link->setAutoRaise(true);
    link->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    link->setCursor(Qt::PointingHandCursor);
    m_bodyLayout->addWidget(link);
    auto* item = new TaskPanelItem(id, caption, link, this, role);
    m_items.append(item);
    connect(link, &QToolButton::clicked, this, [this, item] { emit itemClicked(item); });
    return item;
}

TaskPanel::TaskPanel(QWidget* parent) : QFrame(parent) {
    m_layout = new QVBoxLayout(this);
    m_layout->addStretch(1);
}

TaskPanelGroup* TaskPanel::addGroup(const QString& caption, const QString& toolTip) {
    auto* group = new TaskPanelGroup(caption, toolTip, this);
    m_layout->insertWidget(int(m_groups.size()), group);
    m_groups.append(group);
    connect(group, &TaskPanelGroup::itemClicked, this, &TaskPanel::itemClicked);
    return group;
}

void TaskPanel::setMargins(int left, int top, int right, int bottom, int between) {
    m_layout->setContentsMargins(left, top, right, bottom);
    m_layout->setSpacing(between);
}

QMargins TaskPanel::margins() const {
    return m_layout->contentsMargins();
}

int TaskPanel::groupSpacing() const {
    return m_layout->spacing();
}
