#pragma once

#include <QFrame>
#include <QIcon>
#include <QList>

class QLabel;
class QToolButton;
class QVBoxLayout;

// The icons of a task panel's link items, numbered from 1.
class ImageList : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    void add(const QIcon& icon) { m_icons.append(icon); }
    QIcon icon(int index) const { return m_icons.value(index - 1); }
    int count() const { return int(m_icons.size()); }

private:
    QList<QIcon> m_icons;
};

// A link item of a task panel group: an icon, a caption and an id (ids need not be unique), and
// the role its window gives it, which says what a click does (captions are only shown).
class TaskPanelItem : public QObject {
    Q_OBJECT
public:
    TaskPanelItem(int id, const QString& caption, QWidget* control, QObject* parent, int role = 0);
    int id() const { return m_id; }
    int role() const { return m_role; }
    QString caption() const { return m_caption; }
    QWidget* control() const { return m_control; } // the link button or the hosted control

private:
    int m_id;
    int m_role;
    QString m_caption;
    QWidget* m_control;
};

// One captioned group of a task panel.
class TaskPanelGroup : public QFrame {
    Q_OBJECT
public:
    TaskPanelGroup(const QString& caption, const QString& toolTip, QWidget* parent);
    QString caption() const;
    // Hosts `control` as an item of control type.
    TaskPanelItem* addControlItem(int id, QWidget* control);
    TaskPanelItem* addLinkItem(int id, const QString& caption, const QIcon& icon, int role = 0);
    QList<TaskPanelItem*> items() const { return m_items; }
    QColor itemBackColor() const;

signals:
    void itemClicked(TaskPanelItem* item);

private:
    QLabel* m_header = nullptr;
    QWidget* m_body = nullptr;
    QVBoxLayout* m_bodyLayout = nullptr;
    QList<TaskPanelItem*> m_items;
};

// A side panel of captioned groups with link items and hosted controls.
class TaskPanel : public QFrame {
    Q_OBJECT
public:
    explicit TaskPanel(QWidget* parent = nullptr);
    TaskPanelGroup* addGroup(const QString& caption, const QString& toolTip);
    QList<TaskPanelGroup*> groups() const { return m_groups; }
    void setIcons(ImageList* icons) { m_icons = icons; }
    ImageList* icons() const { return m_icons; }
    // Left, top, right, bottom and the gap between groups, in pixels.
    void setMargins(int left, int top, int right, int bottom, int between);
    QMargins margins() const;
    int groupSpacing() const;

signals:
    void itemClicked(TaskPanelItem* item);

private:
    QVBoxLayout* m_layout = nullptr;
    QList<TaskPanelGroup*> m_groups;
    ImageList* m_icons = nullptr;
};
