#pragma once

#include <QLibrary>
#include <QString>

// A shared library the program loads at its first use instead of at its start, and the entries
// it calls there. Libraries such as libpq bring a dozen more (LDAP, Kerberos, TLS) that the
// login window does not need; loading them at every start costs the first paint. The library
// stays loaded for the rest of the run.
class LateLibrary {
public:
    // `soname` as the linker records it, e.g. "libpq.so.5".
    explicit LateLibrary(const QString& soname);

    // Puts the entry `symbol` into *into; a library or entry that is not there is noted in
    // error() and leaves *into null.
    template <typename F> void resolve(const char* symbol, F* into) {
        *into = m_loaded ? reinterpret_cast<F>(m_library.resolve(symbol)) : nullptr;
        if (!*into && m_error.isEmpty())
            m_error = QStringLiteral("%1 缺少函数 %2").arg(m_soname, QLatin1String(symbol));
    }

    const QString& soname() const { return m_soname; }
    // Empty once the library and every entry asked for were found.
    const QString& error() const { return m_error; }

private:
    QString m_soname;
    QLibrary m_library;
    bool m_loaded = false;
    QString m_error;
};
