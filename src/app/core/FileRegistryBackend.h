#pragma once

#include "app/core/RegistryBackend.h"

#include <QMap>

// The registry of platforms without one: a per-user text file, by default
// $XDG_CONFIG_HOME/yjgl/registry.dat, or registry.dat in the folder YJGL_HOME names
// (YJGL_REGISTRY_FILE names another). Each change
// loads the file, applies the change and writes a new file that replaces the old one by
// a rename, so a crash never leaves a half-written store. Lines that cannot be read are
// skipped: a damaged store reads as if those values were missing.
class FileRegistryBackend : public IRegistryBackend {
public:
    // An empty path means the default path above.
    explicit FileRegistryBackend(const QString& storePath = {});

    QString storePath() const;
    static QString defaultStorePath();

    bool createKey(quint32 root, const QString& keyPath) override;
    bool keyExists(quint32 root, const QString& keyPath) override;
    bool setValue(quint32 root, const QString& keyPath, const QString& valueName,
                  const RegistryValue& value) override;
    std::optional<RegistryValue> queryValue(quint32 root, const QString& keyPath,
                                            const QString& valueName) override;
    bool deleteValue(quint32 root, const QString& keyPath, const QString& valueName) override;

private:
    struct Key {
        QString path;                                        // as first written
        QMap<QString, QPair<QString, RegistryValue>> values; // folded name -> (name, value)
    };
    using Store = QMap<QString, Key>; // "root\folded path" -> key

    static bool validRoot(quint32 root);
    static QString normalPath(const QString& keyPath);
    static QString storeKey(quint32 root, const QString& keyPath);
    Store load() const;
    bool save(const Store& store) const;

    QString m_path;
};
