#pragma once

#include "common/core/ProcessLauncher.h"

#include <QStringList>

// Records every program start instead of starting it; installs itself while it lives.
class FakeProcessLauncher : public IProcessLauncher {
public:
    FakeProcessLauncher() { ProcessLauncher::install(this); }
    ~FakeProcessLauncher() override { ProcessLauncher::install(nullptr); }
    bool startDetached(const QString& program, const QStringList& arguments) override {
        programs << program;
        started << program + ' ' + arguments.join(' ');
        return succeed;
    }
    QStringList programs; // the programs alone
    QStringList started;  // each program with its arguments
    bool succeed = true;  // what a start reports
};
