#include "common/core/IniDocument.h"

#include "common/core/AnsiCodec.h"
#include "common/core/LocalFile.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
const QByteArray kCrLf("\r\n");

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\r';
}

QString trimBlanks(const QString& s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool hasLineBreak(const QString& s) {
    return s.contains(u'\n') || s.contains(u'\r');
}

} // namespace

IniDocument IniDocument::load(const QString& path, bool* usable) {
    QByteArray bytes;
    const LocalFile::Status status = LocalFile::read(path, LocalFile::SettingsLimit, &bytes);
    if (usable)
        *usable = status == LocalFile::Status::Read || status == LocalFile::Status::Missing;
    return status == LocalFile::Status::Read ? fromBytes(bytes) : IniDocument();
}

IniDocument IniDocument::fromBytes(const QByteArray& input) {
    IniDocument doc;
    QByteArray bytes = input;
    if (bytes.startsWith(kUtf8Bom)) {
        doc.m_utf8Bom = true;
        bytes.remove(0, kUtf8Bom.size());
    }
    // Splitting on raw bytes is safe: CR and LF never occur inside a GBK character.
    const qsizetype n = bytes.size();
    qsizetype start = 0;
    while (start < n) {
        qsizetype i = start;
        while (i < n && bytes[i] != '\n' && bytes[i] != '\r')
            ++i;
        Line line{bytes.mid(start, i - start), {}};
        if (i < n) {
            if (bytes[i] == '\r' && i + 1 < n && bytes[i + 1] == '\n')
                line.ending = kCrLf;
            else
                line.ending = QByteArray(1, bytes[i]);
        }
        start = i + line.ending.size();
        doc.m_lines.append(line);
    }
    return doc;
}

QByteArray IniDocument::toBytes() const {
    QByteArray out;
    if (m_utf8Bom)
        out += kUtf8Bom;
    for (const Line& l : m_lines)
        out += l.text + l.ending;
    return out;
}

bool IniDocument::save(const QString& path) const {
    // A read-only file (no write permission for anyone) stays as it is, as the profile
    // functions leave a file with the read-only attribute.
    const QFileInfo info(path);
    constexpr auto kAnyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (info.exists() && (!info.isWritable() || !(info.permissions() & kAnyWrite)))
        return false;
    return LocalFile::writeWhole(path, toBytes()) == LocalFile::WriteStatus::Written;
}

QString IniDocument::decode(const QByteArray& bytes) const {
    return m_utf8Bom ? QString::fromUtf8(bytes) : AnsiCodec::decode(bytes);
}

QByteArray IniDocument::encode(const QString& text) const {
    return m_utf8Bom ? text.toUtf8() : AnsiCodec::encode(text);
}

IniDocument::Parsed IniDocument::parse(const Line& line) const {
    Parsed p;
    const QString text = trimBlanks(decode(line.text));
    if (text.isEmpty() || text.startsWith(u';'))
        return p;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.lastIndexOf(u']');
        p.kind = Kind::Section;
        p.name = trimBlanks(close > 0 ? text.mid(1, close - 1) : text.mid(1));
        return p;
    }
    p.kind = Kind::Key;
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0) {
        p.name = text; // a key without "=" reads as empty
        return p;
    }
    p.name = trimBlanks(text.left(eq));
    p.value = text.mid(eq + 1);
    return p;
}

int IniDocument::findSection(const QString& section) const {
    const QString wanted = trimBlanks(section);
    for (int i = 0; i < m_lines.size(); ++i) {
        const Parsed p = parse(m_lines[i]);
        if (p.kind == Kind::Section && sameName(p.name, wanted))
            return i;
    }
    return -1;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const {
    const int header = findSection(section);
    if (header < 0)
        return std::nullopt;
    const QString wanted = trimBlanks(key);
    for (int i = header + 1; i < m_lines.size(); ++i) {
        const Parsed p = parse(m_lines[i]);
        if (p.kind == Kind::Section)
            break;
        if (p.kind != Kind::Key || !sameName(p.name, wanted))
            continue;
        return valueAsRead(p.value);
    }
    return std::nullopt;
}

QString IniDocument::valueAsRead(const QString& written) {
    QString v = trimBlanks(written);
    if (v.size() > 1 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

bool IniDocument::setValue(const QString& section, const QString& key, const QString& value) {
    const QString sec = trimBlanks(section);
    const QString k = trimBlanks(key);
    // A line break, a "=" in a key or a "]" in a section name would let the text of one
    // key spill into other keys or sections.
    if (sec.isEmpty() || k.isEmpty() || hasLineBreak(sec) || hasLineBreak(k) || hasLineBreak(value) ||
        sec.contains(u']') || k.contains(u'=') || k.startsWith(u'[') || k.startsWith(u';'))
        return false;

    auto endLastLine = [this] {
        if (!m_lines.isEmpty() && m_lines.last().ending.isEmpty())
            m_lines.last().ending = kCrLf;
    };

    const int header = findSection(sec);
    if (header < 0) {
        endLastLine();
        m_lines.append({encode(u'[' + sec + u']'), kCrLf});
        m_lines.append({encode(k + u'=' + value), kCrLf});
        return true;
    }

    int lastFilled = header;
    for (int i = header + 1; i < m_lines.size(); ++i) {
        const Parsed p = parse(m_lines[i]);
        if (p.kind == Kind::Section)
            break;
        if (p.kind == Kind::Key && sameName(p.name, k)) {
            // Keep the key's spelling as the file has it.
            m_lines[i].text = encode(p.name + u'=' + value);
            if (m_lines[i].ending.isEmpty())
                m_lines[i].ending = kCrLf;
            return true;
        }
        if (!trimBlanks(decode(m_lines[i].text)).isEmpty())
            lastFilled = i;
    }
    if (m_lines[lastFilled].ending.isEmpty())
        m_lines[lastFilled].ending = kCrLf;
    m_lines.insert(lastFilled + 1, {encode(k + u'=' + value), kCrLf});
    return true;
}
