#pragma once

// Message boxes of a benchmark's windows: each answers with its default; the first few are
// printed and all are counted, since a goal met while a box said something went wrong is not met.
#include "BenchSupport.h"
#include "common/core/MessageService.h"

namespace bench {

class PrintedMessages : public IMessageService {
public:
    MsgAnswer show(const QString&, const QString& text, MsgIcon, MsgButtons,
                   MsgAnswer defaultAnswer) override {
        if (shown++ < 3)
            out() << "message: " << text << Qt::endl;
        return defaultAnswer;
    }
    int shown = 0;
};

} // namespace bench
