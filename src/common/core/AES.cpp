#include "common/core/AES.h"

#include "common/core/AnsiCodec.h"

namespace {

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

QString withinLimit(const QString& text) {
    return text.size() >= AES::kMaxResult ? QString() : text;
}

QString passPhraseOrDefault(const QString& Ms) {
    return Ms.isEmpty() ? AES::kDefaultPassPhrase : Ms;
}

} // namespace

QString AES::toHexGroups(const QByteArray& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * 2 + bytes.size() / 8);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0 && i % 16 == 0)
            out += QStringLiteral("  ");
        const uchar b = uchar(bytes[i]);
        out += QLatin1Char(digits[b >> 4]);
        out += QLatin1Char(digits[b & 0x0F]);
    }
    return out;
}

QByteArray AES::fromHexDigits(const QString& text) {
    QByteArray out;
    out.reserve(text.size() / 2);
    int high = -1;
    for (QChar c : text) {
        const int v = hexValue(c);
        if (v < 0)
            continue;
        if (high < 0) {
            high = v;
        } else {
            out.append(char(high << 4 | v));
            high = -1;
        }
    }
    return out;
}

QString AES::AddMiMa(const QString& JMStr, const QString& Ms) {
    const QString passPhrase = passPhraseOrDefault(Ms);
    if (JMStr.isEmpty())
        return {};
    if (m_cipher.SetCipherKey(cRijndael::keyFromPassPhrase(passPhrase), 128) != 0)
        return {};
    QByteArray cipher;
    if (m_cipher.ArrayEncrypt(AnsiCodec::encode(JMStr), cipher, 0) != 0)
        return {};
    return withinLimit(toHexGroups(cipher));
}

QString AES::JMiMa(const QString& JMStr, const QString& Ms) {
    const QByteArray key = cRijndael::keyFromPassPhrase(passPhraseOrDefault(Ms));
    const QByteArray cipher = fromHexDigits(JMStr);
    m_refusal.clear();
    if (cipher.isEmpty()) {
        m_refusal = QStringLiteral("Text not Hex data");
        return {};
    }
    if (m_cipher.SetCipherKey(key, 128) != 0)
        return {};
    QByteArray plain;
    if (m_cipher.ArrayDecrypt(plain, cipher, 0) != 0)
        return {};
    QString text = withinLimit(AnsiCodec::decode(plain));
    text.remove(QChar(0));
    return text;
}
