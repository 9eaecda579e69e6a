#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

// Local files that are not what they should be, as a careless copy or a hostile user leaves
// them: a FIFO (opening it waits for a writer for ever) or a link to /dev/zero (never ends).
namespace HostileFiles {

enum class Kind { Fifo, EndlessDevice };

inline bool make(Kind kind, const QString& path) {
    QFile::remove(path);
    const QByteArray name = QFile::encodeName(path);
    return kind == Kind::Fifo ? ::mkfifo(name.constData(), 0600) == 0
                              : ::symlink("/dev/zero", name.constData()) == 0;
}

// Ends the test process when a step blocks longer than `seconds` instead of hanging the suite.
class Watchdog {
public:
    explicit Watchdog(unsigned seconds) { ::alarm(seconds); }
    ~Watchdog() { ::alarm(0); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
};

} // namespace HostileFiles
