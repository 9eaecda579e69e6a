#include "db/SqlTrace.h"

#include "common/core/LocalFile.h"

#include <QFile>
#include <QRegularExpression>

namespace SqlTrace {

QString file() {
    return qEnvironmentVariable("YJGL_SQL_TRACE");
}

bool enabled() {
    return !qEnvironmentVariableIsEmpty("YJGL_SQL_TRACE");
}

QString escape(const QString& statement) {
    QString out;
    out.reserve(statement.size() + 8);
    for (QChar c : statement) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString unescape(const QString& field) {
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c != u'\\' || i + 1 >= field.size()) {
            out += c;
            continue;
        }
        const QChar n = field.at(++i);
        out += n == u'n' ? QChar(u'\n') : n == u'r' ? QChar(u'\r') : n == u't' ? QChar(u'\t') : n;
    }
    return out;
}

QString maskPasswords(const QString& statement) {
    // "password like '...'" (sign-in) and "password='...'" (password change); a quote inside
    // the value is doubled.
    static const QRegularExpression passwordValue(
        QStringLiteral("(\\bpassword\\s*(?:like|=)\\s*)'(?:[^']|'')*'"),
        QRegularExpression::CaseInsensitiveOption);
    // The expression refuses a text with a lone surrogate and would then mask nothing; the trace
    // is only a record to read, so such a character is shown as U+FFFD.
    QString masked = statement;
    for (qsizetype i = 0; i < masked.size(); ++i) {
        const QChar c = masked.at(i);
        if (c.isHighSurrogate() && i + 1 < masked.size() && masked.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            masked[i] = QChar::ReplacementCharacter;
    }
    return masked.replace(passwordValue, QStringLiteral("\\1'***'"));
}

void record(const QString& statement, const QDateTime& started, qint64 elapsedMs) {
    const QString name = file();
    if (name.isEmpty())
        return;
    // The trace shows what the hospital's data looks like: for the user who traces, nobody else.
    constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    // Only into a regular file: a FIFO would stop the program, and the permissions set below
    // must never land on a device.
    QString target;
    if (!LocalFile::writeTarget(name, &target))
        return;
    QFile f(target);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append, OwnerOnly))
        return; // tracing must never stop the program
    constexpr QFileDevice::Permissions Others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                QFileDevice::WriteOther | QFileDevice::ExeOther;
    if (f.permissions() & Others) // a file made by an older version or by hand
        f.setPermissions(OwnerOnly);
    const QString line = started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QLatin1Char('\t') +
                         QString::number(elapsedMs) + QLatin1Char('\t') + escape(maskPasswords(statement)) +
                         QStringLiteral("\r\n");
    f.write(line.toUtf8());
}

QVector<Entry> read(const QString& name) {
    QVector<Entry> entries;
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return entries;
    const QString all = QString::fromUtf8(f.readAll());
    for (QString line : all.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const qsizetype tab1 = line.indexOf(QLatin1Char('\t'));
        const qsizetype tab2 = tab1 < 0 ? -1 : line.indexOf(QLatin1Char('\t'), tab1 + 1);
        if (tab2 < 0)
            continue;
        Entry e;
        e.time = QDateTime::fromString(line.left(tab1), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        e.elapsedMs = line.mid(tab1 + 1, tab2 - tab1 - 1).toLongLong();
        e.statement = unescape(line.mid(tab2 + 1));
        entries.append(e);
    }
    return entries;
}

QStringList readStatements(const QString& name) {
    QStringList out;
    for (const Entry& e : read(name))
        out.append(e.statement);
    return out;
}

} // namespace SqlTrace
