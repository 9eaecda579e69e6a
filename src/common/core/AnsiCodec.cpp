#include "common/core/AnsiCodec.h"

#include <QVector>

#include <cerrno>
#include <iconv.h>

namespace {

// One iconv descriptor per direction, reset before each use.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    iconv_t handle() const { return m_cd; }
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    void reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t m_cd;
};

Converter& toAnsi() {
    thread_local Converter c("CP936", "UTF-32LE");
    return c;
}

Converter& fromAnsi() {
    thread_local Converter c("UTF-32LE", "CP936");
    return c;
}

// Windows maps the user-defined areas of code page 936 linearly onto the private use area
// (U+E000 to U+E765); iconv leaves them out, which would turn characters made with the
// private-character editor into "?".
struct UserArea {
    uchar leadFirst;
    uchar leadLast;
    uchar trailFirst;
    uchar trailLast;
    uint first; // code point of the area's first character
};

constexpr UserArea kUserAreas[] = {
    {0xAA, 0xAF, 0xA1, 0xFE, 0xE000},
    {0xF8, 0xFE, 0xA1, 0xFE, 0xE234},
    {0xA1, 0xA7, 0x40, 0xA0, 0xE4C6}, // trail bytes skip 0x7F
};

int trailCount(const UserArea& a) {
    const int n = a.trailLast - a.trailFirst + 1;
    return a.trailFirst <= 0x7F && a.trailLast >= 0x7F ? n - 1 : n;
}

uint fromUserArea(uchar lead, uchar trail) {
    if (trail == 0x7F)
        return 0;
    for (const UserArea& a : kUserAreas) {
        if (lead < a.leadFirst || lead > a.leadLast || trail < a.trailFirst || trail > a.trailLast)
            continue;
        const int column = trail - a.trailFirst - (trail > 0x7F && a.trailFirst < 0x7F ? 1 : 0);
        return a.first + uint((lead - a.leadFirst) * trailCount(a) + column);
    }
    return 0;
}

bool toUserArea(uint c, char out[2]) {
    for (const UserArea& a : kUserAreas) {
        const int count = (a.leadLast - a.leadFirst + 1) * trailCount(a);
        if (c < a.first || c >= a.first + uint(count))
            continue;
        const int index = int(c - a.first);
        int trail = a.trailFirst + index % trailCount(a);
        if (a.trailFirst < 0x7F && trail >= 0x7F)
            ++trail;
        out[0] = char(a.leadFirst + index / trailCount(a));
        out[1] = char(trail);
        return true;
    }
    return false;
}

} // namespace

namespace AnsiCodec {

QByteArray encode(const QString& text) {
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
        if (toUserArea(c, buf)) {
            out.append(buf, 2);
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

QString decode(const QByteArray& bytes) {
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
        if (len == 2) {
            if (const uint user = fromUserArea(b, uchar(bytes[i + 1]))) {
                out.append(QChar(char16_t(user)));
                i += 2;
                continue;
            }
        }
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
