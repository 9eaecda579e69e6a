#pragma once

#include "common/core/MessageService.h"

// Message boxes as QMessageBox: the caller's title, icon, buttons (确定, 取消, 是(&Y), 否(&N))
// and default button; Esc answers Cancel or No.
class WidgetMessageService : public IMessageService {
public:
    MsgAnswer show(const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons,
                   MsgAnswer defaultAnswer) override;
};

// Installs the widget message box and file dialog services; the program calls it at start-up.
void installWidgetServices();
