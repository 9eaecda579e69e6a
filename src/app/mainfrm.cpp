#include "app/mainfrm.h"

#include "app/CalculatorLauncher.h"
#include "app/ChildWindowMnemonics.h"
#include "app/ChildWindowRegistry.h"
#include "app/ChildWindowServices.h"
#include "app/Themes.h"
#include "app/core/MainWindowPlacement.h"
#include "common/HelpPages.h"
#include "common/WindowRequests.h"
#include "common/core/Clock.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/audit/AuditTrail.h"
#include "tools/core/GET_NL.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QSet>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>

// Resources of a static library must be registered by hand; outside any namespace.
static void initIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace {

const QString kMainName = QStringLiteral("mainfrm");
const QString kMainTask = QStringLiteral("Main_Task");
const QString kProgramIcon = QStringLiteral("applications-science.png");
constexpr int kPanelCount = 5;

std::function<QString()>& lunarProvider() {
    static std::function<QString()> provider;
    return provider;
}

QString todayLunarText() {
    if (lunarProvider())
        return lunarProvider()();
    AppError error;
    const QString line = GET_NL()({}, &error);
    if (error.isSet())
        ShowErrorMessage(error);
    return line;
}

QIcon commandIcon(const QString& file) {
    return file.isEmpty() ? QIcon() : QIcon(QStringLiteral(":/icons/") + file);
}

// The smallest size at which a cascaded child window still shows its list, header and
// buttons: what its layout asks for, and at least 640 x 420, within the workspace.
QSize usableSize(const QMdiSubWindow* sub, const QSize& area) {
    QSize size = sub->widget() ? sub->widget()->minimumSizeHint() : QSize();
    size = size.expandedTo(QSize(640, 420));
    return size.boundedTo(area);
}

} // namespace

mainfrm::mainfrm(QWidget* parent) : QMainWindow(parent) {
    initIconResources();
    setObjectName(kMainName);
    // The program's icon, also in the corner of every child window instead of Qt's.
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/") + kProgramIcon));
    if (Themes::current() < 0)
        Themes::apply(Themes::OfficeXP);

    m_workspace = new QMdiArea(this);
    m_workspace->setObjectName(QStringLiteral("Workspace"));
    m_workspace->setViewMode(QMdiArea::TabbedView);
    m_workspace->setTabsClosable(true);
    m_workspace->setTabsMovable(true);
    m_workspace->setDocumentMode(true);
    setCentralWidget(m_workspace);
    connect(m_workspace, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        if (sub)
            m_lastActive = sub;
        updateCommandStates();
    });

    buildMenus();
    buildToolbar();
    buildKeyBindings();
    connectTabBar();
    buildStatusBar();
    new ChildWindowMnemonics(m_workspace);

    setPanelText(2, gHospitalName);
    setPanelText(3, todayLunarText());
    setPanelText(4, gUser ? gUser->GetUserName : QString());

    // Child windows ask for other windows by name; the catalogue says which exist.
    WindowRequests::install(
        [](const QString& name) { return ChildWindowRegistry::instance().contains(name); },
        [this](const QString& name) { openChildWindow(name); });

    openChildWindow(QStringLiteral("Mz_CKFY"));
    showDepartment();
    // The caption names the department the signed-in user works for, also after a switch.
    connect(&SessionEvents::instance(), &SessionEvents::userSwitched, this, &mainfrm::showDepartment);
    // The new user's rights decide which commands are open (the audit trail's window).
    connect(&SessionEvents::instance(), &SessionEvents::userSwitched, this, &mainfrm::updateCommandStates);
    resize(1024, 700);
    updateCommandStates();
}

void mainfrm::showDepartment() {
    setWindowTitle(QStringLiteral("【%1】管理系统").arg(gExecDept));
}

void mainfrm::showPlaced() {
    MainWindowPlacement::Placement placement;
    const bool stored = MainWindowPlacement::load(&placement);
    // The remembered place is the frame's top left corner with the window's inner size. A
    // first start, or a place (partly) off the screen of today, gets one on the screen, so
    // that restoring down never puts the title bar out of reach.
    const QRect screenArea = screen() ? screen()->availableGeometry() : QRect();
    QRect normal = stored ? placement.normal : QRect();
    if (!normal.isValid() && screenArea.isValid()) {
        normal = QRect(QPoint(), QSize(1024, 700).boundedTo(screenArea.size()));
        normal.moveCenter(screenArea.center());
    }
    if (normal.isValid()) {
        if (screenArea.isValid())
            normal = MainWindowPlacement::onScreen(normal, screenArea);
        resize(normal.size());
        move(normal.topLeft()); // move() places the frame
    }
    if (!stored || placement.maximized)
        showMaximized();
    else
        showNormal();
}

void mainfrm::savePlacement() {
    const bool notNormal = isMaximized() || isMinimized();
    const QRect inner = notNormal ? normalGeometry() : geometry();
    // The frame's corner: the inner rectangle's less the frame's width and title bar.
    const QPoint frameOffset = geometry().topLeft() - frameGeometry().topLeft();
    const QPoint corner = notNormal ? inner.topLeft() - frameOffset : frameGeometry().topLeft();
    MainWindowPlacement::save({QRect(corner, inner.size()), isMaximized()});
}

mainfrm::~mainfrm() {
    WindowRequests::uninstall();
    // Closing the children while the window is torn down must not reach this half-gone object.
    disconnect(m_workspace, nullptr, this, nullptr);
    disconnect(m_toolbar, nullptr, this, nullptr);
}

void mainfrm::setLunarTextProvider(std::function<QString()> provider) {
    lunarProvider() = std::move(provider);
}

QAction* mainfrm::makeAction(const QString& caption, int id, const QString& icon, QObject* owner) {
    auto* action = new QAction(commandIcon(icon), caption, owner);
    action->setData(id);
    action->setObjectName(QStringLiteral("cmd%1").arg(id));
    connect(action, &QAction::triggered, this, [this, id] { onCommand(id); });
    m_actions[id].append(action);
    return action;
}

QMenu* mainfrm::buildMenu(const QString& caption, const QList<CommandItem>& items, QWidget* parent) {
    auto* menu = new QMenu(caption, parent);
    for (const CommandItem& item : items) {
        if (item.separatorBefore)
            menu->addSeparator();
        if (item.id == Cmd::WindowList) {
            // The window list fills itself each time it opens; it has no command.
            QMenu* list = menu->addMenu(item.caption);
            list->menuAction()->setData(item.id);
            connect(list, &QMenu::aboutToShow, this, [this, list] { fillWindowList(list); });
            continue;
        }
        if (!item.children.isEmpty()) {
            QMenu* sub = buildMenu(item.caption, item.children, menu);
            sub->menuAction()->setData(item.id);
            menu->addMenu(sub);
            continue;
        }
        QAction* action = makeAction(item.caption, item.id, item.icon, menu);
        menu->addAction(action);
    }
    connect(menu, &QMenu::aboutToShow, this, &mainfrm::updateCommandStates);
    return menu;
}

void mainfrm::buildMenus() {
    for (const MenuDefinition& def : MainCommands::menuBar())
        menuBar()->addMenu(buildMenu(def.caption, def.items, menuBar()));
    for (int id : {int(Cmd::ThemeOfficeXP), int(Cmd::ThemeDefault), int(Cmd::ThemeOffice2003),
                   int(Cmd::ThemeNativeXP), int(Cmd::Toolbar)}) {
        for (QAction* action : m_actions.value(id))
            action->setCheckable(true);
    }
}

void mainfrm::buildToolbar() {
    m_toolbar = new QToolBar(QStringLiteral("标准工具条"), this);
    m_toolbar->setObjectName(QStringLiteral("StandardToolbar"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(32, 32));
    for (const CommandItem& item : MainCommands::toolbar()) {
        if (item.separatorBefore)
            m_toolbar->addSeparator();
        m_toolbar->addAction(makeAction(item.caption, item.id, item.icon, m_toolbar));
    }
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    connect(m_toolbar, &QToolBar::visibilityChanged, this, &mainfrm::updateCommandStates);
}

void mainfrm::buildKeyBindings() {
    for (const MainCommands::KeyBinding& binding : MainCommands::keyBindings()) {
        QAction* action = makeAction(QString(), binding.id, QString(), this);
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(binding.letter)));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
}

void mainfrm::connectTabBar() {
    auto* tabBar = m_workspace->findChild<QTabBar*>();
    if (!tabBar)
        return;
    tabBar->setExpanding(false); // one tab per window, not one bar-wide strip
    tabBar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tabBar, &QWidget::customContextMenuRequested, this,
            [this, tabBar](const QPoint& pos) { Workspace_RClick(tabBar->tabAt(pos)); });
}

void mainfrm::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    const QStringList tips = {QStringLiteral("关于软件"), QString(),
                              QStringLiteral("显示当前的农历和公历日期"),
                              QStringLiteral("显示当前的登陆用户"), QStringLiteral("当前时间")};
    const int stretch[kPanelCount] = {0, 1, 1, 0, 0};
    for (int i = 0; i < kPanelCount; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setToolTip(tips.at(i));
        panel->setContentsMargins(4, 0, 4, 0);
        bar->addWidget(panel, stretch[i]);
        m_panels.append(panel);
    }
    setPanelText(1, QStringLiteral("出生证明"));
    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &mainfrm::refreshClock);
    m_clock->start();
    refreshClock();
}

void mainfrm::refreshClock() {
    setPanelText(5, Clock::now().toString(QStringLiteral("HH:mm:ss")));
}

QString mainfrm::panelText(int panel) const {
    return panel >= 1 && panel <= m_panels.size() ? m_panels.at(panel - 1)->text() : QString();
}

void mainfrm::setPanelText(int panel, const QString& text) {
    if (panel >= 1 && panel <= m_panels.size())
        m_panels.at(panel - 1)->setText(text);
}

QList<QAction*> mainfrm::actionsFor(int id) const {
    return m_actions.value(id);
}

QList<QWidget*> mainfrm::childWindows() const {
    QList<QWidget*> children;
    for (QMdiSubWindow* sub : m_workspace->subWindowList(QMdiArea::CreationOrder)) {
        if (sub->widget() && !sub->isHidden())
            children.append(sub->widget());
    }
    return children;
}

QWidget* mainfrm::activeChild() const {
    QMdiSubWindow* sub = m_workspace->currentSubWindow();
    if (!sub)
        sub = m_lastActive;
    if (!sub || sub->isHidden())
        return nullptr;
    return sub->widget();
}

QWidget* mainfrm::openChildWindow(const QString& name) {
    for (QWidget* child : childWindows()) {
        if (child->objectName() == name) {
            ShowFormMax(name);
            m_lastActive = FrameOf(child);
            return child;
        }
    }
    QWidget* window = ChildWindowRegistry::instance().create(name);
    if (!window)
        return nullptr;
    window->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow* sub = m_workspace->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // A window that closes itself takes its frame along.
    connect(window, &QObject::destroyed, sub, [sub] { sub->close(); });
    sub->showMaximized();
    m_workspace->setActiveSubWindow(sub);
    m_lastActive = sub; // the workspace activates nothing while it is hidden
    updateCommandStates();
    return window;
}

bool mainfrm::isCommandEnabled(int id) const {
    const QString window = MainCommands::windowForCommand(id);
    // The audit trail's window has a right of its own.
    if (id == Cmd::AuditLogQuery && !(gUser && gUser->YJXT_LOG))
        return false;
    if (!window.isEmpty())
        return ChildWindowRegistry::instance().contains(window);
    if (id == Cmd::CtrlP || id == Cmd::CtrlR) {
        const QWidget* active = activeChild();
        return active && active->objectName() != QLatin1String("Frm_FNBJ") &&
               active->objectName() != QLatin1String("Frm_wnl");
    }
    return true;
}

bool mainfrm::isCommandChecked(int id) const {
    if (id >= Cmd::ThemeOfficeXP && id <= Cmd::ThemeNativeXP)
        return Themes::current() == id - Cmd::ThemeOfficeXP;
    if (id == Cmd::Toolbar)
        return m_toolbar && !m_toolbar->isHidden();
    if (id == Cmd::StatusBar)
        return !statusBar()->isHidden();
    return false;
}

void mainfrm::updateCommandStates() {
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const bool enabled = isCommandEnabled(it.key());
        const bool checked = isCommandChecked(it.key());
        for (QAction* action : it.value()) {
            action->setEnabled(enabled);
            if (action->isCheckable())
                action->setChecked(checked);
        }
    }
}

void mainfrm::onCommand(int id) {
    QWidget* active = activeChild();
    switch (id) {
    case Cmd::PendingDocuments:
    case Cmd::ExecutedQuery:
    case Cmd::AuditLogQuery:
        // Given through the dispatcher without the right, it opens nothing.
        if (isCommandEnabled(id))
            openChildWindow(MainCommands::windowForCommand(id));
        break;
    case Cmd::VoidedQuery:
    case Cmd::Voiding:
    case Cmd::PerpetualCalendar:
    case Cmd::Dictionary:
        openChildWindow(MainCommands::windowForCommand(id));
        break;
    case Cmd::HelpContents:
    case Cmd::HelpTopics:
        // The manual is a child window like the others, turned to the page asked for.
        if (auto* help = dynamic_cast<HelpPages*>(openChildWindow(MainCommands::windowForCommand(id)))) {
            if (id == Cmd::HelpContents)
                help->showContents();
            else
                help->showIndex();
        }
        break;
    case Cmd::SwitchUser:
    case Cmd::LockSystem:
    case Cmd::InputMethod:
    case Cmd::ChangePassword:
    case Cmd::PrintOptions:
    case Cmd::About:
        runWindow(id);
        break;
    case Cmd::ExitSystem:
        close();
        break;
    case Cmd::Calculator:
        // A calculator that is there but fails to start is passed over, as it always was.
        if (CalculatorLauncher::find(CalculatorLauncher::searchFolders()).isEmpty())
            Messages::warning(QStringLiteral("本机没有安装计算器。"));
        else
            CalculatorLauncher::start();
        break;
    case Cmd::Cascade:
    case Cmd::TileHorizontal:
    case Cmd::TileVertical:
    case Cmd::ArrangeIcons:
        arrange(id);
        break;
    case Cmd::ThemeOfficeXP:
    case Cmd::ThemeDefault:
    case Cmd::ThemeOffice2003:
    case Cmd::ThemeNativeXP:
        Themes::apply(id - Cmd::ThemeOfficeXP);
        break;
    case Cmd::Toolbar:
        m_toolbar->setVisible(m_toolbar->isHidden());
        break;
    case Cmd::StatusBar:
        statusBar()->setVisible(statusBar()->isHidden());
        break;
    case Cmd::CloseTab:
        if (active)
            UnloadWindow(active);
        break;
    case Cmd::CloseAllTabs:
        CloseForms({}, {}, {});
        break;
    case Cmd::CloseOtherTabs:
        if (active)
            CloseForms(active->objectName(), {}, active->windowTitle());
        break;
    default:
        break; // key bindings and library entries have no action here
    }
    updateCommandStates();
}

void mainfrm::runWindow(int id) {
    const QString name = MainCommands::windowForCommand(id);
    const ChildWindowRegistry& registry = ChildWindowRegistry::instance();
    if (!registry.contains(name))
        return;
    if (id == Cmd::SwitchUser) {
        gReLogin = true;
        QWidget* login = FindLoadedWindow(name);
        if (!login) {
            login = registry.create(name);
            if (!login)
                return;
            login->setAttribute(Qt::WA_DeleteOnClose);
        }
        // Centred over the main window, where the clerk is looking.
        login->adjustSize();
        login->move(frameGeometry().center() - login->rect().center());
        login->show();
        login->raise();
        login->activateWindow();
        return;
    }
    QPointer<QWidget> window = registry.create(name, this);
    if (!window)
        return;
    if (auto* dialog = qobject_cast<QDialog*>(window.data())) {
        dialog->exec();
        delete window.data();
        return;
    }
    window->setWindowFlag(Qt::Dialog);
    window->setWindowModality(Qt::ApplicationModal);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void mainfrm::arrange(int id) {
    switch (id) {
    case Cmd::Cascade: {
        // Each window a title bar lower and to the right of the one before, all of one size
        // that leaves the last one inside the workspace, but never smaller than usable.
        const QList<QMdiSubWindow*> windows = arrangeableWindows();
        if (windows.isEmpty())
            break;
        const QSize area = m_workspace->viewport()->size();
        const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, windows.first()) + 4;
        const int n = int(windows.size());
        for (int i = 0; i < n; ++i) {
            QMdiSubWindow* sub = windows.at(i);
            sub->showNormal();
            const QSize size = QSize(area.width() - step * (n - 1), area.height() - step * (n - 1))
                                   .expandedTo(usableSize(sub, area));
            sub->setGeometry(QRect(QPoint(step * i, step * i), size));
            sub->raise();
        }
        m_workspace->setActiveSubWindow(windows.last());
        break;
    }
    case Cmd::TileHorizontal:
    case Cmd::TileVertical: {
        const QList<QMdiSubWindow*> windows = arrangeableWindows();
        if (windows.isEmpty())
            break;
        const QRect area = m_workspace->viewport()->rect();
        const int n = int(windows.size());
        for (int i = 0; i < n; ++i) {
            QMdiSubWindow* sub = windows.at(i);
            sub->showNormal();
            // Horizontal tiling stacks windows one above another, vertical side by side.
            if (id == Cmd::TileHorizontal) {
                const int h = area.height() / n;
                sub->setGeometry(0, i * h, area.width(), h);
            } else {
                const int w = area.width() / n;
                sub->setGeometry(i * w, 0, w, area.height());
            }
        }
        break;
    }
    case Cmd::ArrangeIcons: {
        const QRect area = m_workspace->viewport()->rect();
        int x = 0;
        for (QMdiSubWindow* sub : m_workspace->subWindowList(QMdiArea::CreationOrder)) {
            if (!sub->isMinimized())
                continue;
            const QSize size = sub->size();
            sub->move(x, area.height() - size.height());
            x += size.width();
        }
        break;
    }
    default:
        break;
    }
}

QList<QMdiSubWindow*> mainfrm::arrangeableWindows() const {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* sub : m_workspace->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isHidden() && !sub->isMinimized())
            windows.append(sub);
    }
    return windows;
}

void mainfrm::fillWindowList(QMenu* menu) {
    menu->clear();
    for (QWidget* child : childWindows()) {
        QAction* action = menu->addAction(child->windowTitle());
        action->setCheckable(true);
        action->setChecked(child == activeChild());
        QPointer<QWidget> target(child);
        connect(action, &QAction::triggered, this, [this, target] {
            if (QMdiSubWindow* sub = target ? FrameOf(target) : nullptr)
                m_workspace->setActiveSubWindow(sub);
        });
    }
}

void mainfrm::CloseForms(const QString& keepName, const QString& mainName, const QString& keepCaption) {
    const QString main = mainName.isEmpty() ? kMainName : mainName;
    // A window that refuses to close, or that stays loaded after closing, is walked past
    // instead of being closed again for ever.
    QSet<QWidget*> handled;
    for (;;) {
        bool closedOne = false;
        for (QWidget* window : LoadedWindows()) {
            if (handled.contains(window))
                continue;
            const QString name = window->objectName();
            bool toClose;
            if (keepName.isEmpty())
                toClose = name != main && name != kMainTask;
            else
                toClose = (name != main && name != keepName && name != kMainTask) ||
                          (name == keepName && window->windowTitle() != keepCaption);
            if (!toClose)
                continue;
            handled.insert(window);
            if (UnloadWindow(window)) {
                closedOne = true;
                break;
            }
        }
        if (!closedOne)
            break;
    }
    updateCommandStates();
}

void mainfrm::Workspace_RClick(int tabIndex) {
    auto* tabBar = m_workspace->findChild<QTabBar*>();
    if (!tabBar || tabIndex < 0 || tabIndex >= tabBar->count())
        return;
    tabBar->setCurrentIndex(tabIndex); // the workspace activates that tab's window

    QMenu popup(this);
    popup.setObjectName(QStringLiteral("Popup"));
    for (const CommandItem& item : MainCommands::tabPopup()) {
        QAction* action = popup.addAction(item.caption);
        action->setData(item.id);
        action->setObjectName(QStringLiteral("cmd%1").arg(item.id));
    }
    popup.addSeparator();
    QMenu* workspaceActions = popup.addMenu(QStringLiteral("&Workspace Actions"));
    workspaceActions->menuAction()->setData(int(Cmd::WorkspaceActions));
    fillWindowList(workspaceActions);

    QAction* chosen = popup.exec(QCursor::pos());
    if (chosen && chosen->data().toInt() >= Cmd::CloseTab && chosen->data().toInt() <= Cmd::CloseOtherTabs)
        onCommand(chosen->data().toInt());
}

void mainfrm::closeEvent(QCloseEvent* event) {
    if (ExitAppInProgress()) {
        savePlacement();
        event->accept();
        return;
    }
    const MsgAnswer answer = Messages::show(QStringLiteral("提示"), QStringLiteral("你真的要退出系统吗？"),
                                            MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
    if (answer != MsgAnswer::Yes) {
        event->ignore();
        return;
    }
    savePlacement();
    AuditTrail::record(AuditTrail::entryFor(AuditAction::SignOut));
    event->accept();
    ExitApp();
}
