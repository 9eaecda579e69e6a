#include "common/core/cRijndael.h"

#include "common/core/AnsiCodec.h"
#include "common/core/LocalFile.h"
#include "common/core/MessageService.h"

#include <QFile>
#include <QSaveFile>

#include <openssl/evp.h>

namespace {

constexpr int kBlock = 16;

void showPlainBox(const QString& text) {
    Messages::show(Messages::applicationTitle(), text, MsgIcon::None, MsgButtons::Ok);
}

} // namespace

struct cRijndael::Contexts {
    EVP_CIPHER_CTX* encrypt = EVP_CIPHER_CTX_new();
    EVP_CIPHER_CTX* decrypt = EVP_CIPHER_CTX_new();
    ~Contexts() {
        EVP_CIPHER_CTX_free(encrypt);
        EVP_CIPHER_CTX_free(decrypt);
    }
};

cRijndael::cRijndael() : m_ctx(std::make_unique<Contexts>()) {}

cRijndael::~cRijndael() = default;

qint32 cRijndael::fail(qint32 number, const QString& description) {
    m_lastError = AppError{number, description, QStringLiteral("cRijndael")};
    return number;
}

qint32 cRijndael::SetCipherKey(const QByteArray& Key, qint32 KeyBits) {
    const EVP_CIPHER* cipher = nullptr;
    int rounds = 0;
    switch (KeyBits) {
    case 128:
        cipher = EVP_aes_128_ecb();
        rounds = 10;
        break;
    case 192:
        cipher = EVP_aes_192_ecb();
        rounds = 12;
        break;
    case 256:
        cipher = EVP_aes_256_ecb();
        rounds = 14;
        break;
    default:
        return fail(IllegalArgument, QStringLiteral("cRijndael.SetCipherKey - Illegal KeyBits Value"));
    }
    if (Key.size() < KeyBits / 8)
        return fail(SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    const auto* key = reinterpret_cast<const uchar*>(Key.constData());
    if (EVP_EncryptInit_ex(m_ctx->encrypt, cipher, nullptr, key, nullptr) != 1 ||
        EVP_DecryptInit_ex(m_ctx->decrypt, cipher, nullptr, key, nullptr) != 1) {
        m_rounds = 0;
        return fail(IllegalArgument, QStringLiteral("cRijndael.SetCipherKey - Illegal KeyBits Value"));
    }
    EVP_CIPHER_CTX_set_padding(m_ctx->encrypt, 0);
    EVP_CIPHER_CTX_set_padding(m_ctx->decrypt, 0);
    m_rounds = rounds;
    m_lastError.clear();
    return 0;
}

QByteArray cRijndael::keyFromPassPhrase(const QString& PassPhrase) {
    QByteArray key = AnsiCodec::encode(PassPhrase);
    key.resize(32, '\0');
    return key;
}

qint32 cRijndael::SetCipherKeyString(const QString& PassPhrase, qint32 KeyBits) {
    return SetCipherKey(keyFromPassPhrase(PassPhrase), KeyBits);
}

void cRijndael::cryptBlocks(bool encrypt, const uchar* in, uchar* out, qsizetype length) {
    EVP_CIPHER_CTX* ctx = encrypt ? m_ctx->encrypt : m_ctx->decrypt;
    // ECB without padding: every call handles whole blocks and keeps no state between calls.
    constexpr qsizetype kChunk = qsizetype(1) << 30;
    for (qsizetype done = 0; done < length; done += kChunk) {
        int outLength = 0;
        const int n = int(qMin(kChunk, length - done));
        if (encrypt)
            EVP_EncryptUpdate(ctx, out + done, &outLength, in + done, n);
        else
            EVP_DecryptUpdate(ctx, out + done, &outLength, in + done, n);
    }
}

qint32 cRijndael::block(bool encrypt, const QByteArray& source, QByteArray& destination, qint32 p, qint32 q) {
    if (!hasKey())
        return fail(NoKey, QStringLiteral("Object variable or With block variable not set"));
    if (p < 0 || q < 0 || qsizetype(p) + kBlock > source.size() || qsizetype(q) + kBlock > destination.size())
        return fail(SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    uchar buffer[kBlock];
    memcpy(buffer, source.constData() + p, kBlock);
    cryptBlocks(encrypt, buffer, buffer, kBlock);
    memcpy(destination.data() + q, buffer, kBlock);
    m_lastError.clear();
    return 0;
}

qint32 cRijndael::BlockEncrypt(const QByteArray& Source, QByteArray& Destination, qint32 p, qint32 q) {
    return block(true, Source, Destination, p, q);
}

qint32 cRijndael::BlockDecrypt(const QByteArray& Source, QByteArray& Destination, qint32 p, qint32 q) {
    return block(false, Source, Destination, p, q);
}

qint32 cRijndael::ArrayEncrypt(const QByteArray& plaintext, QByteArray& ciphertext, qint32 AppendSize) {
    if (!hasKey())
        return fail(NoKey, QStringLiteral("Object variable or With block variable not set"));
    const qsizetype n = plaintext.size();
    const qsizetype whole = n - n % kBlock;
    const qsizetype size =
        AppendSize == 0 ? (n + kBlock - 1) / kBlock * kBlock : (n + kBlock) / kBlock * kBlock;
    QByteArray out(size, '\0');
    auto* o = reinterpret_cast<uchar*>(out.data());
    cryptBlocks(true, reinterpret_cast<const uchar*>(plaintext.constData()), o, whole);
    memcpy(o + whole, plaintext.constData() + whole, size_t(n - whole));
    if (AppendSize != 0)
        o[size - 1] = uchar(n % kBlock);
    if (whole != size)
        cryptBlocks(true, o + whole, o + whole, kBlock);
    ciphertext = out;
    m_lastError.clear();
    return 0;
}

qint32 cRijndael::ArrayDecrypt(QByteArray& plaintext, const QByteArray& ciphertext, qint32 AppendSize) {
    if (!hasKey())
        return fail(NoKey, QStringLiteral("Object variable or With block variable not set"));
    m_lastError.clear();
    const qsizetype n = ciphertext.size();
    if (n == 0 || n % kBlock != 0)
        return -1;
    QByteArray out(n, '\0');
    cryptBlocks(false, reinterpret_cast<const uchar*>(ciphertext.constData()),
                reinterpret_cast<uchar*>(out.data()), n);
    if (AppendSize != 0) {
        const int length = uchar(out.back());
        if (length >= kBlock) {
            showPlainBox(QStringLiteral("warning - incorrect length field"));
            return 1;
        }
        // An empty plaintext comes back empty, not as one block of zeros.
        out.truncate(n - kBlock + length);
    }
    plaintext = out;
    return 0;
}

qint32 cRijndael::FileEncrypt(const QString& PlaintextFileName, const QString& CiphertextFileName) {
    if (!hasKey())
        return fail(NoKey, QStringLiteral("Object variable or With block variable not set"));
    QFile in(PlaintextFileName);
    if (!in.exists())
        return fail(FileNotFound, QStringLiteral("File not found"));
    if (!in.open(QIODevice::ReadOnly))
        return fail(FileAccess, QStringLiteral("Path/File access error"));
    QString target;
    if (!LocalFile::writeTarget(CiphertextFileName, &target))
        return fail(FileAccess, QStringLiteral("Path/File access error"));
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return fail(FileAccess, QStringLiteral("Path/File access error"));
    qint64 remaining = in.size();
    bool last = false;
    do {
        const QByteArray piece = in.read(qMin(remaining, kFilePiece));
        if (piece.size() != qMin(remaining, kFilePiece)) {
            out.cancelWriting();
            return fail(FileAccess, QStringLiteral("Path/File access error"));
        }
        remaining -= piece.size();
        last = remaining == 0;
        QByteArray cipher;
        ArrayEncrypt(piece, cipher, last ? 1 : 0);
        if (out.write(cipher) != cipher.size()) {
            out.cancelWriting();
            return fail(FileAccess, QStringLiteral("Path/File access error"));
        }
    } while (!last);
    if (!out.commit())
        return fail(FileAccess, QStringLiteral("Path/File access error"));
    m_lastError.clear();
    return 0;
}

qint32 cRijndael::FileDecrypt(const QString& PlaintextFileName, const QString& CiphertextFileName) {
    if (!hasKey())
        return fail(NoKey, QStringLiteral("Object variable or With block variable not set"));
    QFile in(CiphertextFileName);
    if (!in.exists())
        return fail(FileNotFound, QStringLiteral("File not found"));
    if (!in.open(QIODevice::ReadOnly))
        return fail(FileAccess, QStringLiteral("Path/File access error"));
    qint64 remaining = in.size();
    if (remaining == 0 || remaining % kBlock != 0) {
        m_lastError.clear();
        showPlainBox(QStringLiteral("File Size Error - ciphertext file not a multiple of block size"));
        return 1;
    }
    QString target;
    if (!LocalFile::writeTarget(PlaintextFileName, &target))
        return fail(FileAccess, QStringLiteral("Path/File access error"));
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return fail(FileAccess, QStringLiteral("Path/File access error"));
    while (remaining > 0) {
        const QByteArray piece = in.read(qMin(remaining, kFilePiece));
        if (piece.size() != qMin(remaining, kFilePiece)) {
            out.cancelWriting();
            return fail(FileAccess, QStringLiteral("Path/File access error"));
        }
        remaining -= piece.size();
        QByteArray plain;
        ArrayDecrypt(plain, piece, 0);
        if (remaining == 0) {
            const int length = uchar(plain.back());
            if (length >= kBlock) {
                out.cancelWriting();
                m_lastError.clear();
                showPlainBox(QStringLiteral("warning - incorrect length field in decrypted file.\r\n"
                                            "Wrong key or keysize?"));
                return 1;
            }
            plain.truncate(plain.size() - kBlock + length);
        }
        if (out.write(plain) != plain.size()) {
            out.cancelWriting();
            return fail(FileAccess, QStringLiteral("Path/File access error"));
        }
    }
    if (!out.commit())
        return fail(FileAccess, QStringLiteral("Path/File access error"));
    m_lastError.clear();
    return 0;
}
