#include "app/MainCommands.h"

#include <QHash>

namespace MainCommands {

const QList<MenuDefinition>& menuBar() {
    static const QList<MenuDefinition> menus = {
        {QStringLiteral("系统(&S)"),
         {
             {QStringLiteral("待执行单据"), Cmd::PendingDocuments, false,
              QStringLiteral("document-open.png")},
             {QStringLiteral("单据作废"), Cmd::Voiding, false, QStringLiteral("edit-delete.png")},
             {QStringLiteral("输入法设置(&I)"), Cmd::InputMethod, false,
              QStringLiteral("preferences-desktop-keyboard.png")},
             {QStringLiteral("切换用户(&C)"), Cmd::SwitchUser, false, QStringLiteral("system-users.png")},
             {QStringLiteral("更改密码(&P)"), Cmd::ChangePassword, false,
              QStringLiteral("dialog-password.png")},
             {QStringLiteral("锁定系统(&L)"), Cmd::LockSystem, false,
              QStringLiteral("system-lock-screen.png")},
             {QStringLiteral("打印选项"), Cmd::PrintOptions, false, QStringLiteral("document-print.png")},
             {QStringLiteral("退出系统(&Q)"), Cmd::ExitSystem, true, QStringLiteral("application-exit.png")},
         }},
        {QStringLiteral("查询(&T)"),
         {
             {QStringLiteral("已执行单据查询"), Cmd::ExecutedQuery, false,
              QStringLiteral("system-search.png")},
             {QStringLiteral("作废单据查询"), Cmd::VoidedQuery, false,
              QStringLiteral("edit-find-replace.png")},
             {QStringLiteral("操作日志查询"), Cmd::AuditLogQuery, false, QStringLiteral("system-search.png")},
         }},
        {QStringLiteral("工具(&T)"),
         {
             {QStringLiteral("万年历(&W)"), Cmd::PerpetualCalendar, false,
              QStringLiteral("x-office-calendar.png")},
             {QStringLiteral("计算器(&C)"), Cmd::Calculator, false,
              QStringLiteral("accessories-calculator.png")},
         }},
        {QStringLiteral("数据维护(&F)"),
         {
             {QStringLiteral("数据字典(&S)"), Cmd::Dictionary, false,
              QStringLiteral("accessories-dictionary.png")},
         }},
        {QStringLiteral("窗口(&W)"),
         {
             {QStringLiteral("工具条(&T)"), Cmd::Toolbar},
             {QStringLiteral("皮肤(&O)..."),
              Cmd::SkinMenu,
              false,
              {},
              {
                  {QStringLiteral("Office XP"), Cmd::ThemeOfficeXP},
                  {QStringLiteral("Default"), Cmd::ThemeDefault},
                  {QStringLiteral("Office 2003"), Cmd::ThemeOffice2003},
                  {QStringLiteral("Native XP"), Cmd::ThemeNativeXP},
              }},
             {QStringLiteral("层叠(&C)"), Cmd::Cascade, true,
              QStringLiteral("preferences-system-windows.png")},
             {QStringLiteral("横向平铺(&H)"), Cmd::TileHorizontal},
             {QStringLiteral("纵向平铺(&V)"), Cmd::TileVertical},
             {QStringLiteral("排列图标(&A)"), Cmd::ArrangeIcons},
             {QStringLiteral("列表"), Cmd::WindowList, true},
         }},
        {QStringLiteral("帮助(&H)"),
         {
             {QStringLiteral("帮助目录"), Cmd::HelpContents, false, QStringLiteral("help-contents.png")},
             {QStringLiteral("帮助主题"), Cmd::HelpTopics, false, QStringLiteral("help-browser.png")},
             {QStringLiteral("关于我们(&A)..."), Cmd::About, true, QStringLiteral("help-about.png")},
         }},
    };
    return menus;
}

const QList<CommandItem>& toolbar() {
    static const QList<CommandItem> items = {
        {QStringLiteral("待执行单据列表"), Cmd::PendingDocuments, false, QStringLiteral("document-open.png")},
        {QStringLiteral("单据作废"), Cmd::Voiding, false, QStringLiteral("edit-delete.png")},
        {QStringLiteral("已执行单据查询"), Cmd::ExecutedQuery, false, QStringLiteral("system-search.png")},
        {QStringLiteral("作废单据查询"), Cmd::VoidedQuery, false, QStringLiteral("edit-find-replace.png")},
        {QStringLiteral("锁定系统"), Cmd::LockSystem, true, QStringLiteral("system-lock-screen.png")},
        {QStringLiteral("输入法设置"), Cmd::InputMethod, false,
         QStringLiteral("preferences-desktop-keyboard.png")},
        {QStringLiteral("退出系统"), Cmd::ExitSystem, true, QStringLiteral("application-exit.png")},
    };
    return items;
}

const QList<CommandItem>& tabPopup() {
    static const QList<CommandItem> items = {
        {QStringLiteral("关闭(&C)"), Cmd::CloseTab},
        {QStringLiteral("全部关闭(&A)"), Cmd::CloseAllTabs},
        {QStringLiteral("关闭其它所有窗口(&O)"), Cmd::CloseOtherTabs},
    };
    return items;
}

const QList<KeyBinding>& keyBindings() {
    static const QList<KeyBinding> bindings = {
        {'N', Cmd::CtrlN}, {'E', Cmd::CtrlE}, {'D', Cmd::CtrlD}, {'P', Cmd::CtrlP}, {'R', Cmd::CtrlR},
    };
    return bindings;
}

namespace {
struct WindowOfCommand {
    QString name;
    bool child;
};

const QHash<int, WindowOfCommand>& windowsOfCommands() {
    static const QHash<int, WindowOfCommand> windows = {
        {Cmd::PendingDocuments, {QStringLiteral("Mz_CKFY"), true}},
        {Cmd::ExecutedQuery, {QStringLiteral("Frm_FYCX"), true}},
        {Cmd::VoidedQuery, {QStringLiteral("Frm_TYCX"), true}},
        {Cmd::AuditLogQuery, {QStringLiteral("Frm_CZRZ"), true}},
        {Cmd::Voiding, {QStringLiteral("Frm_CKTY"), true}},
        {Cmd::PerpetualCalendar, {QStringLiteral("Frm_wnl"), true}},
        {Cmd::Dictionary, {QStringLiteral("sjzd"), true}},
        {Cmd::SwitchUser, {QStringLiteral("password"), false}},
        {Cmd::LockSystem, {QStringLiteral("LockApp"), false}},
        {Cmd::InputMethod, {QStringLiteral("SetIme"), false}},
        {Cmd::ChangePassword, {QStringLiteral("ChangPassword"), false}},
        {Cmd::PrintOptions, {QStringLiteral("Frm_Option"), false}},
        {Cmd::About, {QStringLiteral("about"), false}},
        {Cmd::HelpContents, {QStringLiteral("Frm_Help"), true}},
        {Cmd::HelpTopics, {QStringLiteral("Frm_Help"), true}},
    };
    return windows;
}
} // namespace

QString windowForCommand(int id) {
    return windowsOfCommands().value(id).name;
}

bool opensChildWindow(int id) {
    return windowsOfCommands().value(id).child;
}

} // namespace MainCommands
