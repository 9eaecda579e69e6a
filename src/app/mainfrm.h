#pragma once

#include "app/MainCommands.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <functional>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolBar;

// The program's one top-level window: menus, the standard toolbar, a tab per child window
// and the status bar. Every command goes through onCommand.
class mainfrm : public QMainWindow {
    Q_OBJECT

public:
    // Loads the window: bars, status panels, the pending-documents window, the caption.
    explicit mainfrm(QWidget* parent = nullptr);
    ~mainfrm() override;

    // The dispatcher of every command id; failures do nothing and report nothing.
    void onCommand(int id);

    // Checked and enabled states as the update rules give them.
    bool isCommandEnabled(int id) const;
    bool isCommandChecked(int id) const;
    // Applies the update rules to every action.
    void updateCommandStates();
    // The menu, toolbar and key actions that send `id`.
    QList<QAction*> actionsFor(int id) const;

    // Opens the child window `name` once; when it is open already, brings it forward.
    // Either way it ends maximised. nullptr when no such window is known.
    QWidget* openChildWindow(const QString& name);
    // The active child window, or nullptr.
    QWidget* activeChild() const;
    QMdiArea* workspace() const { return m_workspace; }
    QToolBar* standardToolbar() const { return m_toolbar; }

    // Closes child windows: with an empty keep name all but the main window and
    // "Main_Task"; with a keep name also keeps that window unless its caption differs
    // from keepCaption.
    void CloseForms(const QString& keepName, const QString& mainName, const QString& keepCaption);

    // Right click on tab `tabIndex` of the workspace: selects it and shows the tab popup.
    void Workspace_RClick(int tabIndex);

    // Status bar panels 1 to 5.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);

    // Shows the window where the user left it, maximised on the first start.
    void showPlaced();

    // Panel 3's text; by default the lunar calendar line of today.
    static void setLunarTextProvider(std::function<QString()> provider);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildKeyBindings();
    void buildStatusBar();
    void connectTabBar();
    QAction* makeAction(const QString& caption, int id, const QString& icon, QObject* owner);
    QMenu* buildMenu(const QString& caption, const QList<CommandItem>& items, QWidget* parent);
    void fillWindowList(QMenu* menu);
    void runWindow(int id);
    void arrange(int id);
    // The child windows that cascading and tiling place: shown and not minimised.
    QList<QMdiSubWindow*> arrangeableWindows() const;
    void refreshClock();
    void showDepartment();
    void savePlacement();
    QList<QWidget*> childWindows() const;

    QMdiArea* m_workspace = nullptr;
    QToolBar* m_toolbar = nullptr;
    QList<QLabel*> m_panels;
    QTimer* m_clock = nullptr;
    QHash<int, QList<QAction*>> m_actions;
    // The child last activated: the workspace forgets it while the main window itself has
    // the focus, but its tab is still the selected one.
    QPointer<QMdiSubWindow> m_lastActive;
};
