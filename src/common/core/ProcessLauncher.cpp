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

bool openWithAssociatedProgram(const QString& fileOrAddress) {
#ifdef Q_OS_WIN
    return service().startDetached(QStringLiteral("cmd.exe"),
                                   {QStringLiteral("/c"), QStringLiteral("start"), QString(), fileOrAddress});
#else
    return service().startDetached(QStringLiteral("xdg-open"), {fileOrAddress});
#endif
}

} // namespace ProcessLauncher
