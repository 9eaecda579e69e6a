// The connection string comes from DatabaseSet.data or a launcher's command line; what it
// hands to the ODBC driver must keep each value inside its own key.
#include "FuzzSupport.h"
#include "db/ConnectionString.h"

#include <QStringList>

namespace {

// The ODBC reading of "KEY=value;" pairs, a value in braces with "}}" for "}".
QStringList odbcKeys(const QString& text, bool* ok) {
    QStringList keys;
    qsizetype i = 0;
    *ok = true;
    while (i < text.size()) {
        const qsizetype eq = text.indexOf(u'=', i);
        if (eq < 0) {
            *ok = false;
            break;
        }
        keys << text.mid(i, eq - i);
        i = eq + 1;
        if (i < text.size() && text.at(i) == u'{') {
            ++i;
            for (;;) {
                if (i >= text.size()) {
                    *ok = false;
                    return keys;
                }
                if (text.at(i) == u'}') {
                    if (i + 1 < text.size() && text.at(i + 1) == u'}') {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            if (i < text.size() && text.at(i) != u';') {
                *ok = false;
                return keys;
            }
            ++i;
        } else {
            const qsizetype semi = text.indexOf(u';', i);
            const QString value = text.mid(i, (semi < 0 ? text.size() : semi) - i);
            if (value.contains(u'{') || value.contains(u'}') || value.contains(u'=')) {
                *ok = false;
                return keys;
            }
            i = semi < 0 ? text.size() : semi + 1;
        }
    }
    return keys;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = Fuzz::text(data, size);
    const ConnectionString cs = ConnectionString::parse(text);
    (void)cs.kind();
    (void)cs.busyTimeoutMs();
    (void)cs.sqliteFile();
    bool ok = false;
    const QStringList keys = odbcKeys(cs.odbcConnectionText(), &ok);
    Fuzz::check(ok, "ODBC text does not parse");
    QStringList expected{QStringLiteral("DRIVER"),       QStringLiteral("SERVER"),
                         QStringLiteral("DATABASE"),     QStringLiteral("UID"),
                         QStringLiteral("PWD"),          QStringLiteral("TDS_Version"),
                         QStringLiteral("ClientCharset")};
    if (keys.contains(QStringLiteral("PORT")))
        expected.insert(2, QStringLiteral("PORT"));
    Fuzz::check(keys == expected, "a value added or removed a key of the ODBC text");
    return 0;
}
