#include "db/ConnectionString.h"

#include "common/core/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString canonicalKey(const QString& key) {
    static const QHash<QString, QString> synonyms = {
        {QStringLiteral("server"), QStringLiteral("data source")},
        {QStringLiteral("address"), QStringLiteral("data source")},
        {QStringLiteral("addr"), QStringLiteral("data source")},
        {QStringLiteral("network address"), QStringLiteral("data source")},
        {QStringLiteral("database"), QStringLiteral("initial catalog")},
        {QStringLiteral("uid"), QStringLiteral("user id")},
        {QStringLiteral("user"), QStringLiteral("user id")},
        {QStringLiteral("pwd"), QStringLiteral("password")},
    };
    const QString k = key.simplified().toLower();
    return synonyms.value(k, k);
}

} // namespace

ConnectionString ConnectionString::parse(const QString& text) {
    ConnectionString cs;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype eq = text.indexOf(u'=', i);
        if (eq < 0)
            break;
        const QString key = text.mid(i, eq - i);
        qsizetype j = eq + 1;
        while (j < n && text.at(j) == u' ')
            ++j;
        QString value;
        if (j < n && (text.at(j) == u'\'' || text.at(j) == u'"')) {
            const QChar quote = text.at(j);
            qsizetype k = j + 1;
            while (k < n) {
                if (text.at(k) == quote) {
                    if (k + 1 < n && text.at(k + 1) == quote) {
                        value += quote;
                        k += 2;
                        continue;
                    }
                    break;
                }
                value += text.at(k++);
            }
            const qsizetype semi = text.indexOf(u';', k);
            i = semi < 0 ? n : semi + 1;
        } else {
            const qsizetype semi = text.indexOf(u';', eq + 1);
            value = text.mid(eq + 1, (semi < 0 ? n : semi) - eq - 1).trimmed();
            i = semi < 0 ? n : semi + 1;
        }
        const QString canonical = canonicalKey(key);
        if (!canonical.isEmpty()) {
            if (!cs.m_values.contains(canonical))
                cs.m_order.append(canonical);
            cs.m_values.insert(canonical, value);
        }
    }
    return cs;
}

ConnectionString::Kind ConnectionString::kind() const {
    if (m_values.isEmpty())
        return Kind::Empty;
    const QString p = provider().trimmed().toLower();
    if (p == u"sqlite")
        return Kind::SQLite;
    if (p == u"postgresql" || p == u"postgres" || p == u"pgsql" || p == u"npgsql")
        return Kind::PostgreSQL;
    if (p.startsWith(u"sqloledb") || p.startsWith(u"sqlncli") || p.startsWith(u"msoledbsql"))
        return Kind::SqlServer;
    // A data source of odbc.ini, bare as ODBC writes it or behind the OLE DB provider for ODBC.
    if ((p.isEmpty() || p == u"msdasql") && !value(QStringLiteral("dsn")).trimmed().isEmpty())
        return Kind::Odbc;
    return Kind::Unknown;
}

QString ConnectionString::value(const QString& key) const {
    return m_values.value(canonicalKey(key));
}

bool ConnectionString::contains(const QString& key) const {
    return m_values.contains(canonicalKey(key));
}

QString ConnectionString::odbcValue(const QString& value) {
    static const QString special = QStringLiteral(";{}=");
    bool needsBraces = value != value.trimmed();
    for (QChar c : value)
        needsBraces = needsBraces || special.contains(c);
    if (!needsBraces)
        return value;
    QString inner = value;
    return QLatin1Char('{') + inner.replace(QStringLiteral("}"), QStringLiteral("}}")) + QLatin1Char('}');
}

QString ConnectionString::odbcConnectionText() const {
    QString server = value(QStringLiteral("data source")).trimmed();
    if (server.startsWith(QStringLiteral("tcp:"), Qt::CaseInsensitive))
        server = server.mid(4);
    QString port;
    const qsizetype comma = server.indexOf(u',');
    if (comma >= 0) {
        port = server.mid(comma + 1).trimmed();
        server = server.left(comma).trimmed();
    }
    if (server == u"." || server.compare(QStringLiteral("(local)"), Qt::CaseInsensitive) == 0)
        server = QStringLiteral("localhost");
    const QString driver = contains(QStringLiteral("odbc driver")) ? value(QStringLiteral("odbc driver"))
                                                                   : QStringLiteral("FreeTDS");
    // The driver name always goes in braces; a "}" in it is doubled like in any other value.
    QString braced = driver;
    braced.replace(QStringLiteral("}"), QStringLiteral("}}"));
    QString text = QStringLiteral("DRIVER={") + braced + QStringLiteral("};SERVER=") + odbcValue(server) +
                   QLatin1Char(';');
    if (!port.isEmpty())
        text += QStringLiteral("PORT=") + odbcValue(port) + QLatin1Char(';');
    text += QStringLiteral("DATABASE=") + odbcValue(value(QStringLiteral("initial catalog"))) +
            QStringLiteral(";UID=") + odbcValue(value(QStringLiteral("user id"))) + QStringLiteral(";PWD=") +
            odbcValue(value(QStringLiteral("password"))) +
            QStringLiteral(";TDS_Version=7.3;ClientCharset=UTF-8;");
    return text;
}

QString ConnectionString::dsnConnectionText() const {
    static const QHash<QString, QString> odbcNames = {
        {QStringLiteral("data source"), QStringLiteral("SERVER")},
        {QStringLiteral("initial catalog"), QStringLiteral("DATABASE")},
        {QStringLiteral("user id"), QStringLiteral("UID")},
        {QStringLiteral("password"), QStringLiteral("PWD")},
    };
    QString text =
        QStringLiteral("DSN=") + odbcValue(value(QStringLiteral("dsn")).trimmed()) + QLatin1Char(';');
    for (const QString& key : m_order) {
        // The provider and the lock wait are this program's own, not the driver's.
        if (key == u"provider" || key == u"dsn" || key == u"busy timeout")
            continue;
        // A key holding ';' (a value without its '=') would hand the driver a key of its own.
        if (key.contains(u';') || key.contains(u'{') || key.contains(u'}'))
            continue;
        text +=
            odbcNames.value(key, key) + QLatin1Char('=') + odbcValue(m_values.value(key)) + QLatin1Char(';');
    }
    return text;
}

QString ConnectionString::sqliteFile() const {
    const QString file = value(QStringLiteral("data source")).trimmed();
    if (file.isEmpty() || QFileInfo(file).isAbsolute())
        return file;
    return QDir(ProgramFolder::path()).filePath(file);
}

int ConnectionString::busyTimeoutMs() const {
    bool ok = false;
    const int ms = value(QStringLiteral("busy timeout")).toInt(&ok);
    return ok && ms >= 0 ? ms : 10000;
}

namespace {
// Host and port of "host", "host:port", "[v6]:port" or a bare v6 address.
QPair<QString, QString> splitHostPort(const QString& source) {
    const QString s = source.trimmed();
    if (s.startsWith(u'[')) {
        const qsizetype close = s.indexOf(u']');
        if (close > 0)
            return {s.mid(1, close - 1), s.mid(close + 1).startsWith(u':') ? s.mid(close + 2) : QString()};
    }
    const qsizetype colon = s.lastIndexOf(u':');
    if (colon < 0 || s.indexOf(u':') != colon)
        return {s, {}};
    return {s.left(colon).trimmed(), s.mid(colon + 1).trimmed()};
}
} // namespace

QList<QPair<QString, int>> ConnectionString::postgresServers() const {
    bool ok = false;
    const int explicitPort = value(QStringLiteral("port")).toInt(&ok);
    const int defaultPort = ok && explicitPort > 0 && explicitPort < 65536 ? explicitPort : 5432;
    QList<QPair<QString, int>> servers;
    for (const QString& source : value(QStringLiteral("data source")).split(u',', Qt::SkipEmptyParts)) {
        const auto [host, portText] = splitHostPort(source);
        if (host.isEmpty() && portText.isEmpty())
            continue;
        const int port = portText.toInt(&ok);
        const bool local = host.isEmpty() || host == u"." ||
                           host.compare(QStringLiteral("(local)"), Qt::CaseInsensitive) == 0;
        servers.append({local ? QStringLiteral("localhost") : host,
                        ok && port > 0 && port < 65536 ? port : defaultPort});
    }
    return servers;
}

QString ConnectionString::postgresHost() const {
    const auto servers = postgresServers();
    return servers.isEmpty() ? QStringLiteral("localhost") : servers.first().first;
}

int ConnectionString::postgresPort() const {
    const auto servers = postgresServers();
    if (!servers.isEmpty())
        return servers.first().second;
    bool ok = false;
    const int explicitPort = value(QStringLiteral("port")).toInt(&ok);
    return ok && explicitPort > 0 && explicitPort < 65536 ? explicitPort : 5432;
}

bool ConnectionString::postgresFailover() const {
    return postgresServers().size() > 1 || !value(QStringLiteral("service")).trimmed().isEmpty();
}

int ConnectionString::failoverTimeoutMs() const {
    bool ok = false;
    const int seconds = value(QStringLiteral("failover timeout")).toInt(&ok);
    return ok && seconds >= 0 ? seconds * 1000 : 30000;
}

QList<QPair<QByteArray, QString>> ConnectionString::postgresParameters() const {
    QList<QPair<QByteArray, QString>> parameters;
    const QString service = value(QStringLiteral("service")).trimmed();
    const auto servers = postgresServers();
    // A service names its own server; without either, this computer.
    if (!servers.isEmpty() || service.isEmpty()) {
        QStringList hosts;
        QStringList ports;
        for (const auto& [host, port] : servers) {
            hosts << host;
            ports << QString::number(port);
        }
        parameters.append({"host", servers.isEmpty() ? postgresHost() : hosts.join(u',')});
        parameters.append({"port", servers.isEmpty() ? QString::number(postgresPort()) : ports.join(u',')});
    }
    if (!service.isEmpty())
        parameters.append({"service", service});
    // Left out when empty, so that a service's own values hold.
    for (const auto& [name, key] : {QPair<QByteArray, QString>{"dbname", QStringLiteral("initial catalog")},
                                    {"user", QStringLiteral("user id")},
                                    {"password", QStringLiteral("password")}}) {
        const QString v = value(key);
        if (!v.isEmpty() || service.isEmpty())
            parameters.append({name, v});
    }
    QString target = value(QStringLiteral("target session attrs")).trimmed();
    if (target.isEmpty() && postgresFailover())
        target = QStringLiteral("read-write");
    if (!target.isEmpty())
        parameters.append({"target_session_attrs", target});
    return parameters;
}
