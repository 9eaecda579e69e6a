#pragma once

#include <utility>

#include <QList>
#include <QString>

// Command ids of the main window. Menus, toolbar, keyboard bindings and the tab popup all
// send these to mainfrm::onCommand.
namespace Cmd {
enum : int {
    PendingDocuments = 201,
    ExecutedQuery = 202,
    VoidedQuery = 203,
    AuditLogQuery = 204,
    Voiding = 9109,
    InputMethod = 9105,
    SwitchUser = 9102,
    ChangePassword = 9106,
    LockSystem = 9103,
    ExitSystem = 9104,
    Calculator = 602,
    PerpetualCalendar = 603,
    PrintOptions = 604,
    Dictionary = 751,
    Cascade = 801,
    TileHorizontal = 802,
    TileVertical = 803,
    ArrangeIcons = 804,
    HelpContents = 901,
    HelpTopics = 902,
    About = 903,
    ThemeOfficeXP = 1001,
    ThemeDefault = 1002,
    ThemeOffice2003 = 1003,
    ThemeNativeXP = 1004,
    Toolbar = 1101,
    CommandBar3 = 1102,
    StatusBar = 1103,
    SkinMenu = 1104,
    CtrlN = 9107,
    CtrlE = 9108,
    CtrlD = 91091,
    CtrlP = 9110,
    CtrlR = 9112,
    CloseTab = 6661,
    CloseAllTabs = 6662,
    CloseOtherTabs = 6663,
    WindowList = 35000,
    WorkspaceActions = 35002,
};
}

// One entry of a menu or toolbar: a command, a separator or a submenu.
struct CommandItem {
    CommandItem() = default;
    CommandItem(QString caption, int id, bool separatorBefore = false, QString icon = {},
                QList<CommandItem> children = {})
        : caption(std::move(caption)), id(id), separatorBefore(separatorBefore), icon(std::move(icon)),
          children(std::move(children)) {}

    QString caption;
    int id = 0;
    bool separatorBefore = false;
    QString icon;                // file name inside the ":/icons" resource, empty for none
    QList<CommandItem> children; // non-empty for a submenu
};

struct MenuDefinition {
    QString caption;
    QList<CommandItem> items;
};

namespace MainCommands {
// The menu bar, in order.
const QList<MenuDefinition>& menuBar();
// The standard toolbar "标准工具条", in order.
const QList<CommandItem>& toolbar();
// The tab popup, without the tab library's own entry.
const QList<CommandItem>& tabPopup();
// Ctrl+letter bindings: the letter and its command.
struct KeyBinding {
    char letter;
    int id;
};
const QList<KeyBinding>& keyBindings();

// The window a command opens, empty for commands that open no window.
QString windowForCommand(int id);
// Whether the window of `id` is shown as a child of the main window (else modal).
bool opensChildWindow(int id);
} // namespace MainCommands
