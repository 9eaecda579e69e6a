#include "app/core/RegionalFormats.h"

#include "app/core/clsRegistry.h"

namespace RegionalFormats {

QList<QPair<QString, QString>> wantedValues() {
    return {
        {QStringLiteral("sShortDate"), QStringLiteral("yyyy-MM-dd")},
        {QStringLiteral("sLongDate"), QStringLiteral("yyyy-MM-dd")},
        {QStringLiteral("iTime"), QStringLiteral("1")},
        {QStringLiteral("s1159"), QStringLiteral("AM")},
        {QStringLiteral("s2359"), QStringLiteral("PM")},
        {QStringLiteral("sTime"), QStringLiteral(":")},
        {QStringLiteral("sTimeFormat"), QStringLiteral("HH:mm:ss")},
    };
}

QStringList apply(const ReadValue& read, const WriteValue& write) {
    QStringList written;
    for (const auto& [name, wanted] : wantedValues()) {
        const QVariant current = read(name);
        if (current.isValid() && !current.isNull() && current.toString() == wanted)
            continue;
        if (write(name, wanted))
            written << name;
    }
    return written;
}

} // namespace RegionalFormats

void SetRegionalFormats() {
    const QString key = QStringLiteral("Control Panel\\International");
    clsRegistry registry;
    RegionalFormats::apply(
        [&](const QString& name) { return registry.GetRegistryValue(HKEY_CURRENT_USER, key, name); },
        [&](const QString& name, const QString& text) {
            return registry.SetRegistryValue(HKEY_CURRENT_USER, key, name, text);
        });
}
