#include "common/core/ProcessLauncher.h"

#include <QProcess>

namespace {

class RealProcessLauncher : public IProcessLauncher {
public:
    bool startDetached(const QString& program, const QStringList& arguments) override {
        return QProcess::startDetached(program, arguments);
    }
};

RealProcessLauncher g_real;
IProcessLauncher* g_launcher = nullptr;

} // namespace

namespace ProcessLauncher {

IProcessLauncher& service() {
    return g_launcher ? *g_launcher : g_real;
}

void install(IProcessLauncher* launcher) {
    g_launcher = launcher;
}

} // namespace ProcessLauncher
