#include "app/core/clsRegistry.h"

#include "app/core/RegistryBackend.h"
#include "common/core/AnsiCodec.h"

#include <QtEndian>

namespace {

bool isRegistryInteger(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

QByteArray dwordBytes(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

// The stored bytes padded with zeros to 4, as a zero-filled buffer would read them.
quint32 dwordOf(QByteArray data) {
    data.resize(4, '\0');
    return qFromLittleEndian<quint32>(data.constData());
}

} // namespace

bool clsRegistry::SetRegistryValue(quint32 hKey, const QString& KeyName, const QString& ValueName,
                                   const QVariant& Value, int valueType) {
    RegistryValue v;
    if (isRegistryInteger(Value)) {
        v.type = REG_DWORD;
        v.data = dwordBytes(quint32(Value.toLongLong()));
    } else if (Value.typeId() == QMetaType::QString) {
        v.type = valueType == 1 ? REG_EXPAND_SZ : valueType == 2 ? REG_MULTI_SZ : REG_SZ;
        v.data = AnsiCodec::encode(Value.toString()) + '\0';
        if (v.type == REG_MULTI_SZ)
            v.data += '\0';
    } else if (Value.typeId() == QMetaType::QByteArray) {
        v.type = REG_BINARY;
        v.data = Value.toByteArray();
    } else {
        // Nothing to write; the key is still created, as opening it for writing does.
        return RegistryBackend::service().createKey(hKey, KeyName);
    }
    return RegistryBackend::service().setValue(hKey, KeyName, ValueName, v);
}

QVariant clsRegistry::GetRegistryValue(quint32 hKey, const QString& KeyName, const QString& ValueName,
                                       const QVariant& DefaultValue) {
    // A missing key answers as a missing value.
    const std::optional<RegistryValue> v = RegistryBackend::service().queryValue(hKey, KeyName, ValueName);
    if (!v)
        return DefaultValue;
    switch (v->type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        const qsizetype nul = v->data.indexOf('\0');
        const QString text = AnsiCodec::decode(nul < 0 ? v->data : v->data.left(nul));
        return v->type == REG_EXPAND_SZ ? expandEnvironment(text) : text;
    }
    case REG_DWORD:
        return qint32(dwordOf(v->data));
    case REG_DWORD_BIG_ENDIAN:
        return qint32(qbswap(dwordOf(v->data)));
    case REG_MULTI_SZ:
        return AnsiCodec::decode(v->data.left(qMax<qsizetype>(0, v->data.size() - 2)));
    default:
        return v->data;
    }
}

bool clsRegistry::DeleteRegistryValueOrKey(quint32 hKey, const QString& RegKeyName,
                                           const QString& ValueName) {
    return RegistryBackend::service().deleteValue(hKey, RegKeyName, ValueName);
}

QString clsRegistry::expandEnvironment(const QString& text) {
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf(u'%', i);
        const qsizetype close = open < 0 ? -1 : text.indexOf(u'%', open + 1);
        if (close < 0) {
            out += text.mid(i);
            break;
        }
        out += text.mid(i, open - i);
        const QString name = text.mid(open + 1, close - open - 1);
        const QByteArray variable = name.toLocal8Bit();
        if (!name.isEmpty() && qEnvironmentVariableIsSet(variable.constData()))
            out += qEnvironmentVariable(variable.constData());
        else
            out += text.mid(open, close - open + 1);
        i = close + 1;
    }
    return out;
}
