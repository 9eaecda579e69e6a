#pragma once

#include "app/core/RegistryBackend.h"

// The real Windows registry. Values are stored through the ANSI calls, so the GBK bytes
// that clsRegistry makes arrive as text in the system's code page.
class WinRegistryBackend : public IRegistryBackend {
public:
    bool createKey(quint32 root, const QString& keyPath) override;
    bool keyExists(quint32 root, const QString& keyPath) override;
    bool setValue(quint32 root, const QString& keyPath, const QString& valueName,
                  const RegistryValue& value) override;
    std::optional<RegistryValue> queryValue(quint32 root, const QString& keyPath,
                                            const QString& valueName) override;
    bool deleteValue(quint32 root, const QString& keyPath, const QString& valueName) override;
};
