#include "app/core/FileRegistryBackend.h"

#include "common/core/LocalFile.h"
#include "common/core/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace {

const QByteArray kHeader("YJGL registry 1");

// Names are percent-encoded so that tabs and line breaks in them cannot break a line.
QByteArray encodeName(const QString& s) {
    return QUrl::toPercentEncoding(s);
}

QString decodeName(const QByteArray& s) {
    return QUrl::fromPercentEncoding(s);
}

bool isHex(const QByteArray& s) {
    for (char c : s) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return s.size() % 2 == 0;
}

} // namespace

FileRegistryBackend::FileRegistryBackend(const QString& storePath) : m_path(storePath) {}

QString FileRegistryBackend::defaultStorePath() {
    const QString env = qEnvironmentVariable("YJGL_REGISTRY_FILE");
    if (!env.isEmpty())
        return env;
    // A program folder named for everything holds the store too.
    if (ProgramFolder::homeSet())
        return ProgramFolder::userFile(QStringLiteral("registry.dat"));
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/yjgl/registry.dat");
}

QString FileRegistryBackend::storePath() const {
    return m_path.isEmpty() ? defaultStorePath() : m_path;
}

bool FileRegistryBackend::validRoot(quint32 root) {
    return root >= 0x80000000u && root <= 0x80000006u;
}

QString FileRegistryBackend::normalPath(const QString& keyPath) {
    QStringList parts = keyPath.split(u'\\', Qt::SkipEmptyParts);
    return parts.join(u'\\');
}

QString FileRegistryBackend::storeKey(quint32 root, const QString& keyPath) {
    return QString::number(root, 16) + u'\\' + normalPath(keyPath).toCaseFolded();
}

FileRegistryBackend::Store FileRegistryBackend::load() const {
    Store store;
    QByteArray bytes;
    if (LocalFile::read(storePath(), 4 * LocalFile::SettingsLimit, &bytes) != LocalFile::Status::Read)
        return store;
    QList<QByteArray> lines = bytes.split('\n');
    // Only whole lines count: a last line without its line end was cut short.
    lines.removeLast();
    if (lines.isEmpty() || lines.first().trimmed() != kHeader)
        return store;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        // Fields are trimmed one by one: a value with no data ends in an empty last field
        // that trimming the whole line would take away.
        QList<QByteArray> fields = lines[i].split('\t');
        for (QByteArray& field : fields)
            field = field.trimmed();
        // K <root> <path>            a key
        // V <root> <path> <name> <type> <hex bytes>   a value
        if (fields.size() < 3)
            continue;
        bool ok = false;
        const quint32 root = fields[1].toUInt(&ok, 16);
        if (!ok || !validRoot(root))
            continue;
        const QString path = normalPath(decodeName(fields[2]));
        const QString sk = storeKey(root, path);
        if (fields[0] == "K" && fields.size() == 3) {
            if (!store.contains(sk))
                store[sk].path = path;
        } else if (fields[0] == "V" && fields.size() == 6) {
            const quint32 type = fields[4].toUInt(&ok);
            if (!ok || !isHex(fields[5]))
                continue;
            Key& key = store[sk];
            if (key.path.isEmpty())
                key.path = path;
            const QString name = decodeName(fields[3]);
            key.values[name.toCaseFolded()] = {name, RegistryValue{type, QByteArray::fromHex(fields[5])}};
        }
    }
    return store;
}

bool FileRegistryBackend::save(const Store& store) const {
    QByteArray out = kHeader + '\n';
    for (auto it = store.cbegin(); it != store.cend(); ++it) {
        const QString rootText = it.key().section(u'\\', 0, 0);
        const QByteArray prefix = rootText.toLatin1() + '\t' + encodeName(it->path);
        out += "K\t" + prefix + '\n';
        for (const auto& [name, value] : it->values)
            out += "V\t" + prefix + '\t' + encodeName(name) + '\t' + QByteArray::number(value.type) + '\t' +
                   value.data.toHex() + '\n';
    }
    const QString path = storePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return LocalFile::writeWhole(path, out) == LocalFile::WriteStatus::Written;
}

bool FileRegistryBackend::createKey(quint32 root, const QString& keyPath) {
    if (!validRoot(root))
        return false;
    Store store = load();
    const QString sk = storeKey(root, keyPath);
    if (store.contains(sk))
        return true;
    store[sk].path = normalPath(keyPath);
    return save(store);
}

bool FileRegistryBackend::keyExists(quint32 root, const QString& keyPath) {
    // The root keys always exist.
    if (!validRoot(root))
        return false;
    if (normalPath(keyPath).isEmpty())
        return true;
    // A key made with its parents counts its parents as existing.
    const QString sk = storeKey(root, keyPath);
    const Store store = load();
    if (store.contains(sk))
        return true;
    const auto child = store.lowerBound(sk + u'\\');
    return child != store.cend() && child.key().startsWith(sk + u'\\');
}

bool FileRegistryBackend::setValue(quint32 root, const QString& keyPath, const QString& valueName,
                                   const RegistryValue& value) {
    if (!validRoot(root))
        return false;
    Store store = load();
    Key& key = store[storeKey(root, keyPath)];
    if (key.path.isEmpty())
        key.path = normalPath(keyPath);
    const QString folded = valueName.toCaseFolded();
    // A value keeps the spelling of its name as first written, as Windows does.
    const QString name = key.values.contains(folded) ? key.values[folded].first : valueName;
    key.values[folded] = {name, value};
    return save(store);
}

std::optional<RegistryValue> FileRegistryBackend::queryValue(quint32 root, const QString& keyPath,
                                                             const QString& valueName) {
    if (!validRoot(root))
        return std::nullopt;
    const Store store = load();
    const auto key = store.constFind(storeKey(root, keyPath));
    if (key == store.cend())
        return std::nullopt;
    const auto value = key->values.constFind(valueName.toCaseFolded());
    if (value == key->values.cend())
        return std::nullopt;
    return value->second;
}

bool FileRegistryBackend::deleteValue(quint32 root, const QString& keyPath, const QString& valueName) {
    if (!validRoot(root))
        return false;
    Store store = load();
    const auto key = store.find(storeKey(root, keyPath));
    if (key == store.end() || key->values.remove(valueName.toCaseFolded()) == 0)
        return false;
    return save(store);
}
