#include "common/core/CIniFile.h"

#include "common/core/IniDocument.h"

#include <climits>

namespace {

int digitValue(QChar c) {
    const char16_t u = c.toLower().unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'z')
        return u - u'a' + 10;
    return -1;
}

// RtlUnicodeStringToInteger with base 0, which GetPrivateProfileInt uses: an optional sign,
// then "0x", "0o" or "0b" chooses the base; the number ends at the first character that
// is not a digit of that base. The value wraps around at 32 bits.
int leadingInteger(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i + 1 < n && text[i] == u'0') {
        const QChar p = text[i + 1].toLower();
        if (p == u'x')
            base = 16;
        else if (p == u'o')
            base = 8;
        else if (p == u'b')
            base = 2;
        if (base != 10)
            i += 2;
    }
    quint32 value = 0;
    for (; i < n; ++i) {
        const int digit = digitValue(text[i]);
        if (digit < 0 || digit >= base)
            break;
        value = value * quint32(base) + quint32(digit);
    }
    return int(negative ? 0u - value : value);
}

} // namespace

void CIniFile::SpecifyIni(const QString& FilePathName) {
    m_path = FilePathName.trimmed();
}

bool CIniFile::checkFile() {
    if (m_path.isEmpty()) {
        m_errorMsg = QStringLiteral("没有指定 INI 文件");
        return false;
    }
    m_errorMsg.clear();
    return true;
}

bool CIniFile::WriteString(const QString& Section, const QString& key, const QString& Value) {
    if (!checkFile())
        return false;
    // A file that cannot be read (not a regular file, far too large) is not written over.
    bool usable = false;
    IniDocument doc = IniDocument::load(m_path, &usable);
    if (!usable || !doc.setValue(Section, key, Value) || !doc.save(m_path)) {
        m_errorMsg = QStringLiteral("写入失败");
        return false;
    }
    return true;
}

QString CIniFile::ReadString(const QString& Section, const QString& key, int& Size) {
    if (!checkFile())
        return {};
    if (Size < INT_MAX)
        ++Size;
    // The buffer holds Size characters including the terminating NUL.
    const int room = Size > 0 ? Size - 1 : 0;
    QString text = IniDocument::load(m_path).value(Section, key).value_or(QString()).left(room);
    text.remove(QChar(0));
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    text.truncate(end);
    return text;
}

int CIniFile::profileInt(const QString& path, const QString& section, const QString& key, int defaultValue) {
    const std::optional<QString> v = IniDocument::load(path).value(section, key);
    if (!v || v->isEmpty())
        return defaultValue;
    return leadingInteger(*v);
}

int CIniFile::ReadInt(const QString& Section, const QString& key) {
    // A missing key or an empty value is what the profile call reports as its default.
    const std::optional<QString> v = IniDocument::load(m_path).value(Section, key);
    if (!v || v->isEmpty()) {
        m_errorMsg = QStringLiteral("不能读取");
        return 0;
    }
    return leadingInteger(*v);
}
