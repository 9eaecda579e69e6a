#pragma once

#include <QString>
#include <QVariant>

// Root key handles as the Windows API numbers them. Include this header without
// <windows.h>, whose macros of the same names would clash.
inline constexpr quint32 HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr quint32 HKEY_CURRENT_USER = 0x80000001u;
inline constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr quint32 HKEY_USERS = 0x80000003u;

// Registry value types.
inline constexpr qint32 REG_SZ = 1;
inline constexpr qint32 REG_EXPAND_SZ = 2;
inline constexpr qint32 REG_BINARY = 3;
inline constexpr qint32 REG_DWORD = 4;
inline constexpr qint32 REG_DWORD_BIG_ENDIAN = 5;
inline constexpr qint32 REG_MULTI_SZ = 7;

// Reads, writes and deletes registry values through RegistryBackend::service(). Text
// crosses into the registry as GBK bytes. Nothing here raises: failures are false or the
// default value.
class clsRegistry {
public:
    // By the kind of `Value`: an integer of 8, 16 or 32 bits becomes REG_DWORD; text
    // becomes REG_EXPAND_SZ when `valueType` is 1, REG_MULTI_SZ when it is 2, else REG_SZ;
    // a QByteArray becomes REG_BINARY. Any other kind writes nothing and still gives true.
    // Text in a REG_MULTI_SZ ends in two zero bytes, so that it reads back whole.
    bool SetRegistryValue(quint32 hKey, const QString& KeyName, const QString& ValueName,
                          const QVariant& Value, int valueType = 0);

    // By the stored type: text for REG_SZ, REG_EXPAND_SZ (with %NAME% replaced from the
    // environment) and REG_MULTI_SZ (inner zero separators kept); qint32 for REG_DWORD and
    // REG_DWORD_BIG_ENDIAN; a QByteArray for any other type. `DefaultValue` (or an
    // invalid QVariant) when the key or value is missing.
    QVariant GetRegistryValue(quint32 hKey, const QString& KeyName, const QString& ValueName,
                              const QVariant& DefaultValue = {});

    // Deletes one value, never a key. False when it does not exist.
    bool DeleteRegistryValueOrKey(quint32 hKey, const QString& RegKeyName, const QString& ValueName);

    // ExpandEnvironmentStrings: %NAME% is replaced by the variable's value; unknown names
    // and a lone "%" stay as they are.
    static QString expandEnvironment(const QString& text);
};
