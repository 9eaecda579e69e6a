#include "app/core/LastUserFile.h"

#include "common/core/AnsiCodec.h"
#include "common/core/LocalFile.h"
#include "common/core/ProgramFolder.h"

#include <QFile>
#include <QStringDecoder>

namespace LastUserFile {

QString path() {
    return ProgramFolder::userFile(QStringLiteral("User.data"));
}

QString firstLineOf(const QByteArray& bytes) {
    static const QByteArray utf8Bom("\xEF\xBB\xBF");
    QByteArray line = bytes;
    const bool hasBom = line.startsWith(utf8Bom);
    if (hasBom)
        line.remove(0, utf8Bom.size());
    const qsizetype end = line.indexOf('\n');
    if (end >= 0)
        line.truncate(end);
    while (line.endsWith('\r'))
        line.chop(1);
    if (hasBom)
        return QString::fromUtf8(line);
    const QString ansi = AnsiCodec::decode(line);
    if (ansi.contains(QChar::ReplacementCharacter)) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8(line);
        if (!utf8.hasError())
            return text;
    }
    return ansi;
}

QString read() {
    // One line is all the file holds; anything else is taken for no file.
    QByteArray bytes;
    if (LocalFile::read(path(), LocalFile::SettingsLimit, &bytes) != LocalFile::Status::Read)
        return {};
    return firstLineOf(bytes.left(4096));
}

bool save(const QString& userName) {
    return LocalFile::writeWhole(path(), AnsiCodec::encode(userName) + "\r\n") ==
           LocalFile::WriteStatus::Written;
}

} // namespace LastUserFile
