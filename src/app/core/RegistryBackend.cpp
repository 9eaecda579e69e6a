#include "app/core/RegistryBackend.h"

#ifdef Q_OS_WIN
#include "app/core/WinRegistryBackend.h"
#else
#include "app/core/FileRegistryBackend.h"
#endif

namespace {
IRegistryBackend* g_backend = nullptr;
}

namespace RegistryBackend {

IRegistryBackend& service() {
    if (g_backend)
        return *g_backend;
#ifdef Q_OS_WIN
    static WinRegistryBackend platform;
#else
    static FileRegistryBackend platform;
#endif
    return platform;
}

void install(IRegistryBackend* backend) {
    g_backend = backend;
}

} // namespace RegistryBackend
