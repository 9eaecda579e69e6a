#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The operating system's registry as clsRegistry needs it. A Windows build would answer
// from the real registry; elsewhere a per-user store file plays its part.
// Root keys are the 32-bit handle values (HKEY_CURRENT_USER is 0x80000001); key paths are
// separated by backslashes and, like value names, match without regard to letter case.
struct RegistryValue {
    quint32 type = 0;
    QByteArray data;
};

class IRegistryBackend {
public:
    virtual ~IRegistryBackend() = default;
    // Opens the key, creating it and its parents when missing.
    virtual bool createKey(quint32 root, const QString& keyPath) = 0;
    virtual bool keyExists(quint32 root, const QString& keyPath) = 0;
    // Creates the key (and its parents) when missing.
    virtual bool setValue(quint32 root, const QString& keyPath, const QString& valueName,
                          const RegistryValue& value) = 0;
    // Nothing when the key or the value does not exist.
    virtual std::optional<RegistryValue> queryValue(quint32 root, const QString& keyPath,
                                                    const QString& valueName) = 0;
    // False when the key or the value does not exist or the change could not be stored.
    virtual bool deleteValue(quint32 root, const QString& keyPath, const QString& valueName) = 0;
};

namespace RegistryBackend {
// The backend in use: the platform's own unless one was installed.
IRegistryBackend& service();
// Installs a backend (not owned); nullptr restores the platform's own.
void install(IRegistryBackend* backend);
} // namespace RegistryBackend
