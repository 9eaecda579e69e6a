#include "UnitNameCipher.h"

#include "AnsiCodec.h"

#include <openssl/evp.h>

#include <cctype>
#include <memory>

namespace {

constexpr int kBlock = 16;
constexpr int kResultLimit = 65536;

QByteArray keyOf(const QString& passPhrase) {
    QByteArray key = AnsiCodec::encode(passPhrase.isEmpty() ? UnitNameCipher::defaultPassPhrase : passPhrase);
    key = key.left(kBlock);
    key.append(QByteArray(kBlock - key.size(), '\0'));
    return key;
}

// One pass of AES-128-ECB over whole blocks; false when OpenSSL fails.
bool runCipher(const QByteArray& key, const QByteArray& in, QByteArray* out, bool encrypt) {
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        &EVP_CIPHER_CTX_free);
    if (!ctx || EVP_CipherInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr,
                                  reinterpret_cast<const unsigned char*>(key.constData()), nullptr,
                                  encrypt ? 1 : 0) != 1)
        return false;
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    out->resize(in.size() + kBlock);
    int written = 0;
    if (EVP_CipherUpdate(ctx.get(), reinterpret_cast<unsigned char*>(out->data()), &written,
                         reinterpret_cast<const unsigned char*>(in.constData()), int(in.size())) != 1)
        return false;
    int tail = 0;
    if (EVP_CipherFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(out->data()) + written, &tail) != 1)
        return false;
    out->resize(written + tail);
    return true;
}

} // namespace

QString UnitNameCipher::encipher(const QString& text, const QString& passPhrase) {
    if (text.isEmpty())
        return {};
    QByteArray plain = AnsiCodec::encode(text);
    if (plain.size() % kBlock)
        plain.append(QByteArray(kBlock - plain.size() % kBlock, '\0'));
    QByteArray cipher;
    if (!runCipher(keyOf(passPhrase), plain, &cipher, true))
        return {};
    QString hex;
    for (int offset = 0; offset < cipher.size(); offset += kBlock) {
        if (offset > 0)
            hex += QLatin1String("  ");
        hex += QString::fromLatin1(cipher.mid(offset, kBlock).toHex().toUpper());
    }
    return hex.size() >= kResultLimit ? QString() : hex;
}

QString UnitNameCipher::decipher(const QString& hex, const QString& passPhrase) {
    QByteArray digits;
    for (const QChar c : hex) {
        if (c.unicode() < 128 && std::isxdigit(c.unicode()))
            digits.append(char(c.unicode()));
    }
    digits.truncate(digits.size() - digits.size() % 2);
    const QByteArray cipher = QByteArray::fromHex(digits);
    if (cipher.isEmpty() || cipher.size() % kBlock)
        return {};
    QByteArray plain;
    if (!runCipher(keyOf(passPhrase), cipher, &plain, false))
        return {};
    QString text = AnsiCodec::decode(plain);
    if (text.size() >= kResultLimit)
        return {};
    text.remove(QChar(0));
    return text;
}
