#include "app/core/DatabaseSetFile.h"

#include "common/core/AnsiCodec.h"
#include "common/core/LocalFile.h"
#include "common/core/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The file holds the database password: only its owner reads it, and in a folder that a
// workstation's users share through its group (set-group-ID, as the installed /var/lib/yjgl)
// that group too, so that every user can connect and save the settings.
QFileDevice::Permissions settingsPermissions(const QString& file) {
    struct stat folder {};
    const QByteArray name = QFile::encodeName(QFileInfo(file).absolutePath());
    if (::stat(name.constData(), &folder) == 0 && (folder.st_mode & S_ISGID))
        return OwnerOnly | QFileDevice::ReadGroup | QFileDevice::WriteGroup;
    return OwnerOnly;
}

// Error numbers as the Windows version reports them, so support staff recognise them.
constexpr qint64 BadRecordLength = 59;
constexpr qint64 InputPastEndOfFile = 62;
constexpr qint64 PathFileAccessError = 75;

void fail(AppError* error, qint64 number, const QString& description) {
    if (error) {
        error->number = number;
        error->description = description;
        error->source = QStringLiteral("DatabaseSet.data");
    }
}

QString fileAccessText(const QFile& f) {
    return QStringLiteral("无法打开文件 %1：%2").arg(f.fileName(), f.errorString());
}

// The file holds a password: it is created readable by its owner only.
bool ensureExists(const QString& file, AppError* error) {
    if (QFileInfo::exists(file) || QFileInfo(file).isSymLink())
        return true;
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly, settingsPermissions(file))) {
        fail(error, PathFileAccessError, fileAccessText(f));
        return false;
    }
    return true;
}

// The whole file: seven records, or a few more from other programs. Anything that is not a
// regular file of sensible size (a FIFO, a link to a device) is a damaged settings file.
bool readAll(const QString& file, QByteArray* content, AppError* error) {
    const LocalFile::Status status = LocalFile::read(file, LocalFile::SettingsLimit, content);
    if (status == LocalFile::Status::Read || status == LocalFile::Status::Missing)
        return true;
    fail(error, PathFileAccessError, LocalFile::describe(status, file));
    return false;
}

// Written aside and renamed, so a failed write leaves the old file whole; readable only as the
// settings are, as it holds a password.
bool writeWhole(const QString& file, const QByteArray& content, AppError* error) {
    QString target;
    QString reason;
    switch (LocalFile::writeWhole(file, content, &target, &reason)) {
    case LocalFile::WriteStatus::Written:
        QFile::setPermissions(target, settingsPermissions(target));
        return true;
    case LocalFile::WriteStatus::NotRegular:
        fail(error, PathFileAccessError, LocalFile::describe(LocalFile::Status::NotRegular, file));
        return false;
    case LocalFile::WriteStatus::Failed:
        fail(error, PathFileAccessError, QStringLiteral("无法写入文件 %1：%2").arg(file, reason));
        return false;
    }
    return false;
}

} // namespace

namespace DatabaseSetFile {

QString path() {
    return ProgramFolder::file(QStringLiteral("DatabaseSet.data"));
}

bool readRecords(const QString& file, const QList<int>& numbers, QStringList* texts, AppError* error) {
    QByteArray content;
    if (!ensureExists(file, error) || !readAll(file, &content, error))
        return false;
    const qint64 size = content.size();
    QStringList out;
    for (int n : numbers) {
        const qint64 start = (qint64(n) - 1) * RecordLength;
        if (n < 1 || start >= size) {
            out << QString();
            continue;
        }
        const QByteArray head = content.mid(start, 2);
        if (head.size() < 2) {
            fail(error, InputPastEndOfFile,
                 QStringLiteral("设置文件不完整：第 %1 条记录在文件末尾被截断").arg(n));
            return false;
        }
        const int length = quint8(head[0]) | (quint8(head[1]) << 8);
        if (length > MaxTextBytes) {
            fail(error, BadRecordLength,
                 QStringLiteral("记录长度错误：第 %1 条记录的长度为 %2 字节，超过 %3 字节")
                     .arg(n)
                     .arg(length)
                     .arg(MaxTextBytes));
            return false;
        }
        const QByteArray bytes = content.mid(start + 2, length);
        if (bytes.size() < length) {
            fail(error, InputPastEndOfFile,
                 QStringLiteral("设置文件不完整：第 %1 条记录在文件末尾被截断").arg(n));
            return false;
        }
        out << AnsiCodec::decode(bytes);
    }
    if (texts)
        *texts = out;
    return true;
}

bool writeRecords(const QString& file, const QMap<int, QString>& texts, AppError* error) {
    QMap<int, QByteArray> encoded;
    for (auto it = texts.begin(); it != texts.end(); ++it) {
        const QByteArray bytes = AnsiCodec::encode(it.value());
        if (it.key() < 1 || bytes.size() > MaxTextBytes) {
            fail(error, BadRecordLength,
                 QStringLiteral("记录长度错误：第 %1 条记录的内容有 %2 字节，一条记录最多容纳 %3 字节")
                     .arg(it.key())
                     .arg(bytes.size())
                     .arg(MaxTextBytes));
            return false;
        }
        encoded.insert(it.key(), bytes);
    }

    if (!ensureExists(file, error))
        return false;
    QByteArray content;
    if (!readAll(file, &content, error))
        return false;
    const QByteArray previous = content;
    for (auto it = encoded.begin(); it != encoded.end(); ++it) {
        const qsizetype start = qsizetype(it.key() - 1) * RecordLength;
        if (content.size() < start + RecordLength)
            content.append(QByteArray(start + RecordLength - content.size(), '\0'));
        QByteArray record(RecordLength, '\0');
        const qsizetype length = it.value().size();
        record[0] = char(length & 0xff);
        record[1] = char((length >> 8) & 0xff);
        record.replace(2, length, it.value());
        content.replace(start, RecordLength, record);
    }

    // The settings before this change stay beside the file, so that a wrong retry or command
    // can be undone by hand.
    if (!previous.isEmpty() && previous != content &&
        !writeWhole(file + QLatin1String(PreviousSuffix), previous, error))
        return false;
    return writeWhole(file, content, error);
}

} // namespace DatabaseSetFile
