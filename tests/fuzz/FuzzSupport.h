#pragma once

#include "common/core/MessageService.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Shared pieces of the fuzz harnesses: input as bytes or text, a scratch folder, a silent
// message service and a check that stops the run with a clear reason.
namespace Fuzz {

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Input read as UTF-8, so the fuzzer reaches every character, not only ASCII.
inline QString text(const uint8_t* data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

// One scratch folder for the whole run; removed when the process ends.
inline QString scratchFile(const QString& name) {
    static QTemporaryDir dir;
    return dir.filePath(name);
}

inline bool writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

// A property the code promises does not hold: abort, so libFuzzer keeps the input.
inline void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

// Boxes answer with their default and show nothing.
class SilentMessages : public IMessageService {
public:
    MsgAnswer show(const QString&, const QString&, MsgIcon, MsgButtons, MsgAnswer defaultAnswer) override {
        ++m_count;
        return defaultAnswer;
    }
    int count() const { return m_count; }
    void reset() { m_count = 0; }

private:
    int m_count = 0;
};

inline SilentMessages& silentMessages() {
    static SilentMessages service;
    static const bool installed = (Messages::install(&service), true);
    (void)installed;
    return service;
}

} // namespace Fuzz
