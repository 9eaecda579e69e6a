#pragma once

#include "common/core/AppError.h"

#include <QString>

// Every message box of the program goes through this service. The program installs a
// widget implementation; tests install a scripted fake, so no test blocks on a modal box.
enum class MsgIcon { None, Information, Exclamation, Question, Critical };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

class IMessageService {
public:
    virtual ~IMessageService() = default;
    // `defaultAnswer` names the button that Enter presses.
    virtual MsgAnswer show(const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons,
                           MsgAnswer defaultAnswer) = 0;
};

namespace Messages {
// The service in use. Without an installed one, answers go to stderr and the default is taken.
IMessageService& service();
// Installs a service (not owned); nullptr restores the fallback.
void install(IMessageService* service);

// The program's own title, used where a box carries "the program's default title".
QString applicationTitle();
void setApplicationTitle(const QString& title);

MsgAnswer show(const QString& title, const QString& text, MsgIcon icon = MsgIcon::None,
               MsgButtons buttons = MsgButtons::Ok, MsgAnswer defaultAnswer = MsgAnswer::Ok);

// The fixed kinds of box of the system.
void warning(const QString& text);         // "系统提示", exclamation
void notice(const QString& text);          // "提示", information
void success(const QString& text);         // "信息", information
bool confirmOkCancel(const QString& text); // "询问", OK/Cancel; true on OK
bool confirmYesNo(const QString& title, const QString& text, bool defaultNo = false);
// The plain box of the cipher's refusals: the program's title, no icon, OK only.
void plain(const QString& text);
} // namespace Messages

// The text of the common run-time error box.
QString ErrorMessageText(const AppError& error);
// The common run-time error box: "系统提示", exclamation, OK.
void ShowErrorMessage(const AppError& error);
