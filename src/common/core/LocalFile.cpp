#include "common/core/LocalFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace LocalFile {

#ifndef Q_OS_WIN
Status read(const QString& path, qint64 maxBytes, QByteArray* bytes) {
    bytes->clear();
    // Non-blocking, so that opening a FIFO returns at once; the type is then checked on what
    // was opened, not on the name, which may change in between.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? Status::Missing : Status::Unreadable;
    struct stat st {};
    Status status = Status::Read;
    if (::fstat(fd, &st) != 0)
        status = Status::Unreadable;
    else if (!S_ISREG(st.st_mode))
        status = Status::NotRegular;
    else if (st.st_size > maxBytes)
        status = Status::TooLarge;
    if (status == Status::Read) {
        // The file may grow while it is read: never more than the limit.
        QByteArray data(qsizetype(st.st_size) + 1, Qt::Uninitialized);
        qint64 total = 0;
        while (total <= maxBytes) {
            if (total == data.size())
                data.resize(qsizetype(qMin<qint64>(maxBytes + 1, data.size() * 2 + 4096)));
            const ssize_t n = ::read(fd, data.data() + total, size_t(data.size() - total));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                status = Status::Unreadable;
                break;
            }
            if (n == 0)
                break;
            total += n;
        }
        if (status == Status::Read && total > maxBytes)
            status = Status::TooLarge;
        if (status == Status::Read) {
            data.truncate(qsizetype(total));
            *bytes = data;
        }
    }
    ::close(fd);
    return status;
}
#else
Status read(const QString& path, qint64 maxBytes, QByteArray* bytes) {
    bytes->clear();
    const QFileInfo info(path);
    if (!info.exists())
        return Status::Missing;
    if (!info.isFile())
        return Status::NotRegular;
    if (info.size() > maxBytes)
        return Status::TooLarge;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return Status::Unreadable;
    *bytes = f.read(maxBytes + 1);
    if (bytes->size() > maxBytes) {
        bytes->clear();
        return Status::TooLarge;
    }
    return Status::Read;
}
#endif

bool writeTarget(const QString& path, QString* target) {
    const QFileInfo info(path);
    if (!info.isSymLink()) {
        if (info.exists() && !info.isFile())
            return false;
        *target = path;
        return true;
    }
    // Every link of a chain resolved; a dangling link has no canonical path.
    const QString resolved = info.canonicalFilePath();
    if (resolved.isEmpty() || !QFileInfo(resolved).isFile())
        return false;
    *target = resolved;
    return true;
}

WriteStatus writeWhole(const QString& path, const QByteArray& bytes, QString* target, QString* errorText,
                       Sync sync) {
    QString written;
    if (!writeTarget(path, &written))
        return WriteStatus::NotRegular;
    if (target)
        *target = written;
    if (sync == Sync::DontWait) {
        // QSaveFile always waits for the disk; aside and renamed by hand instead.
        const QString aside = written + QStringLiteral(".new");
        QFile file(aside);
        std::error_code renameError;
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
            file.flush()) {
            file.close();
            std::filesystem::rename(std::filesystem::path(aside.toStdWString()),
                                    std::filesystem::path(written.toStdWString()), renameError);
            if (!renameError)
                return WriteStatus::Written;
        }
        if (errorText)
            *errorText = renameError ? QString::fromStdString(renameError.message()) : file.errorString();
        file.close();
        QFile::remove(aside);
        return WriteStatus::Failed;
    }
    QSaveFile file(written);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return WriteStatus::Written;
    if (errorText)
        *errorText = file.errorString();
    return WriteStatus::Failed;
}

QString describe(Status status, const QString& path) {
    const QString name = QDir::toNativeSeparators(path);
    switch (status) {
    case Status::Read:
        return {};
    case Status::Missing:
        return QStringLiteral("文件 %1 不存在").arg(name);
    case Status::NotRegular:
        return QStringLiteral("%1 不是普通文件，无法读取").arg(name);
    case Status::TooLarge:
        return QStringLiteral("文件 %1 太大，不是本程序的设置文件").arg(name);
    case Status::Unreadable:
        break;
    }
    return QStringLiteral("无法读取文件 %1").arg(name);
}

} // namespace LocalFile
