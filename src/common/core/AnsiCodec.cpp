#include "AnsiCodec.h"

#include <QVector>

#include <cerrno>
#include <iconv.h>

namespace {

// One iconv descriptor per direction, reset before each use.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    iconv_t handle() const { return m_cd; }
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    void reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t m_cd;
};

Converter& toAnsi()
{
    thread_local Converter c("CP936", "UTF-32LE");
    return c;
}

Converter& fromAnsi()
{
    thread_local Converter c("UTF-32LE", "CP936");
    return c;
}

} // namespace

namespace AnsiCodec {

QByteArray encode(const QString& text)
{
    QByteArray out;
    if (text.isEmpty())
        return out;
    const QList<uint> ucs = text.toUcs4();
    Converter& cv = toAnsi();
    out.reserve(text.size() * 2);
    if (!cv.valid()) {
        for (uint c : ucs)
            out.append(c < 0x80 ? char(c) : '?');
        return out;
    }
    cv.reset();
    char buf[8];
    for (uint c : ucs) {
        if (c < 0x80) {
            out.append(char(c));
            continue;
        }
        char* in = reinterpret_cast<char*>(&c);
        size_t inLeft = sizeof(c);
        char* o = buf;
        size_t outLeft = sizeof(buf);
        if (iconv(cv.handle(), &in, &inLeft, &o, &outLeft) == size_t(-1)) {
            cv.reset();
            out.append('?');
            continue;
        }
        out.append(buf, int(o - buf));
    }
    return out;
}

QString decode(const QByteArray& bytes)
{
    QString out;
    if (bytes.isEmpty())
        return out;
    Converter& cv = fromAnsi();
    out.reserve(bytes.size());
    const int n = bytes.size();
    int i = 0;
    while (i < n) {
        const uchar b = uchar(bytes[i]);
        if (b < 0x80) {
            out.append(QChar(b));
            ++i;
            continue;
        }
        if (!cv.valid()) {
            out.append(QChar(0xFFFD));
            ++i;
            continue;
        }
        const int len = (i + 1 < n && b != 0x80 && b != 0xFF) ? 2 : 1;
        cv.reset();
        char in2[2] = {char(b), len == 2 ? bytes[i + 1] : '\0'};
        char* in = in2;
        size_t inLeft = size_t(len);
        uint c = 0;
        char* o = reinterpret_cast<char*>(&c);
        size_t outLeft = sizeof(c);
        if (iconv(cv.handle(), &in, &inLeft, &o, &outLeft) != size_t(-1) && outLeft == 0) {
            out.append(QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1));
            i += len - int(inLeft);
            continue;
        }
        // A lone lead byte at the end is dropped; any other bad byte becomes U+FFFD.
        if (!(len == 1 && i + 1 == n && b > 0x80 && b < 0xFF))
            out.append(QChar(0xFFFD));
        ++i;
    }
    return out;
}

} // namespace AnsiCodec
