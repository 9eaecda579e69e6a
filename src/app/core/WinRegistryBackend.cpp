#include "app/core/WinRegistryBackend.h"

#include <windows.h>

namespace {

HKEY rootHandle(quint32 root) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root));
}

const wchar_t* wide(const QString& s) {
    return reinterpret_cast<const wchar_t*>(s.utf16());
}

// Opens a key and closes it when it goes out of scope.
class OpenKey {
public:
    OpenKey(quint32 root, const QString& path, REGSAM access, bool create) {
        if (create)
            m_ok = RegCreateKeyExW(rootHandle(root), wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                   nullptr, &m_key, nullptr) == ERROR_SUCCESS;
        else
            m_ok = RegOpenKeyExW(rootHandle(root), wide(path), 0, access, &m_key) == ERROR_SUCCESS;
    }
    ~OpenKey() {
        if (m_ok)
            RegCloseKey(m_key);
    }
    bool ok() const { return m_ok; }
    HKEY key() const { return m_key; }

private:
    HKEY m_key = nullptr;
    bool m_ok = false;
};

} // namespace

bool WinRegistryBackend::createKey(quint32 root, const QString& keyPath) {
    return OpenKey(root, keyPath, 0x3F, true).ok();
}

bool WinRegistryBackend::keyExists(quint32 root, const QString& keyPath) {
    return OpenKey(root, keyPath, KEY_READ, false).ok();
}

bool WinRegistryBackend::setValue(quint32 root, const QString& keyPath, const QString& valueName,
                                  const RegistryValue& value) {
    OpenKey key(root, keyPath, 0x3F, true);
    if (!key.ok())
        return false;
    // The data holds ANSI text for the string types: store it through the ANSI call.
    const QByteArray name = valueName.toLocal8Bit();
    return RegSetValueExA(key.key(), name.constData(), 0, value.type,
                          reinterpret_cast<const BYTE*>(value.data.constData()),
                          DWORD(value.data.size())) == ERROR_SUCCESS;
}

std::optional<RegistryValue> WinRegistryBackend::queryValue(quint32 root, const QString& keyPath,
                                                            const QString& valueName) {
    OpenKey key(root, keyPath, KEY_READ, false);
    if (!key.ok())
        return std::nullopt;
    const QByteArray name = valueName.toLocal8Bit();
    RegistryValue v;
    v.data.resize(1024);
    DWORD type = 0;
    DWORD size = DWORD(v.data.size());
    LONG rc = RegQueryValueExA(key.key(), name.constData(), nullptr, &type,
                               reinterpret_cast<BYTE*>(v.data.data()), &size);
    if (rc == ERROR_MORE_DATA) {
        v.data.resize(size);
        rc = RegQueryValueExA(key.key(), name.constData(), nullptr, &type,
                              reinterpret_cast<BYTE*>(v.data.data()), &size);
    }
    if (rc != ERROR_SUCCESS)
        return std::nullopt;
    v.data.resize(size);
    v.type = type;
    return v;
}

bool WinRegistryBackend::deleteValue(quint32 root, const QString& keyPath, const QString& valueName) {
    OpenKey key(root, keyPath, 0x3F, false);
    if (!key.ok())
        return false;
    return RegDeleteValueW(key.key(), wide(valueName)) == ERROR_SUCCESS;
}
