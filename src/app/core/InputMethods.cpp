#include "app/core/InputMethods.h"

#include "app/core/PlatformInputMethods.h"

namespace {
IInputMethodService*& installedService() {
    static IInputMethodService* service = nullptr;
    return service;
}
} // namespace

namespace InputMethods {

IInputMethodService& service() {
    if (installedService())
        return *installedService();
    static PlatformInputMethods platform;
    return platform;
}

void install(IInputMethodService* service) {
    installedService() = service;
}

qint32 HandleFor(const QString& name, bool isIme) {
    // FNV-1a over the UTF-8 name: the same name gives the same handle in every run.
    quint32 hash = 2166136261u;
    for (const char c : name.toUtf8()) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
    hash = isIme ? (hash | 0x80000000u) : (hash & 0x7FFFFFFFu);
    return qint32(hash);
}

} // namespace InputMethods
