#include "tools/core/HelpManual.h"

#include "common/core/LocalFile.h"
#include "common/core/ProgramFolder.h"

#include <QDir>

namespace {
// The index is a few kilobytes; anything far larger is not one.
constexpr qint64 MaxIndexBytes = 1 << 20;
} // namespace

namespace HelpManual {

QString folder() {
    return ProgramFolder::parentPrefix() + QStringLiteral("manual");
}

QString contentsPage(const QString& manualFolder) {
    return QDir(manualFolder).filePath(QStringLiteral("index.html"));
}

bool LoadKeywords(const QString& manualFolder, QList<Keyword>* keywords, AppError* error) {
    const QString file = QDir(manualFolder).filePath(QStringLiteral("keywords.txt"));
    QByteArray bytes;
    const LocalFile::Status status = LocalFile::read(file, MaxIndexBytes, &bytes);
    if (status != LocalFile::Status::Read) {
        if (error) {
            error->number = 53; // file not found, as the common error message numbers it
            error->description = LocalFile::describe(status, file);
            error->source = QStringLiteral("帮助主题");
        }
        return false;
    }
    QList<Keyword> out;
    // The manual's own pages are UTF-8 (their header says so), and so is their index.
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab <= 0)
            continue;
        const QString target = line.mid(tab + 1).trimmed();
        const qsizetype hash = target.indexOf(QLatin1Char('#'));
        out.append({line.left(tab).trimmed(), hash < 0 ? target : target.left(hash),
                    hash < 0 ? QString() : target.mid(hash + 1)});
    }
    if (keywords)
        *keywords = out;
    return true;
}

QList<Keyword> Filter(const QList<Keyword>& keywords, const QString& filter) {
    const QString wanted = filter.trimmed();
    QList<Keyword> out;
    for (const Keyword& k : keywords) {
        if (k.text.contains(wanted, Qt::CaseInsensitive))
            out.append(k);
    }
    return out;
}

} // namespace HelpManual
