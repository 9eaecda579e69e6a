#include "common/core/cRijndael.h"

#include "common/core/AnsiCodec.h"
#include "common/core/LocalFile.h"

#include <QFile>
#include <QSaveFile>

#include <array>
#include <bit>
#include <cstring>

namespace {

constexpr int kBlock = 16;
constexpr int kMaxRoundKeyWords = 4 * (14 + 1);

quint8 times2(quint8 x) {
    return quint8((x << 1) ^ ((x & 0x80) ? 0x1B : 0));
}

quint8 times(quint8 a, quint8 b) {
    quint8 product = 0;
    for (; b; b >>= 1, a = times2(a))
        if (b & 1)
            product ^= a;
    return product;
}

quint8 rotl8(quint8 x, int n) {
    return std::rotl(x, n);
}

quint32 rotr(quint32 x, int n) {
    return std::rotr(x, n); // also for n = 0, where a shift by the full width is undefined
}

// The standard's S-box and its inverse, and the substitution combined with MixColumns (and its
// inverse) for one column byte; the other three columns are rotations of it. Computed once.
struct Tables {
    std::array<quint8, 256> sbox{};
    std::array<quint8, 256> inverse{};
    std::array<quint32, 256> encrypt{}; // S[x] times (2, 1, 1, 3)
    std::array<quint32, 256> decrypt{}; // S⁻¹[x] times (14, 9, 13, 11)

    Tables() {
        // Multiplicative inverses through the powers of the generator 3.
        std::array<quint8, 256> power{};
        std::array<quint8, 256> log{};
        quint8 x = 1;
        for (int i = 0; i < 255; ++i) {
            power[i] = x;
            log[x] = quint8(i);
            x ^= times2(x);
        }
        for (int i = 0; i < 256; ++i) {
            const quint8 b = i == 0 ? 0 : power[(255 - log[i]) % 255];
            const quint8 s = b ^ rotl8(b, 1) ^ rotl8(b, 2) ^ rotl8(b, 3) ^ rotl8(b, 4) ^ 0x63;
            sbox[i] = s;
            inverse[s] = quint8(i);
        }
        for (int i = 0; i < 256; ++i) {
            const quint8 s = sbox[i];
            encrypt[i] = quint32(times(s, 2)) << 24 | quint32(s) << 16 | quint32(s) << 8 | times(s, 3);
            const quint8 d = inverse[i];
            decrypt[i] = quint32(times(d, 14)) << 24 | quint32(times(d, 9)) << 16 |
                         quint32(times(d, 13)) << 8 | times(d, 11);
        }
    }

    quint32 te(int column, quint32 byte) const { return rotr(encrypt[byte & 0xFF], 8 * column); }
    quint32 td(int column, quint32 byte) const { return rotr(decrypt[byte & 0xFF], 8 * column); }
    quint32 subWord(quint32 w) const {
        return quint32(sbox[w >> 24]) << 24 | quint32(sbox[(w >> 16) & 0xFF]) << 16 |
               quint32(sbox[(w >> 8) & 0xFF]) << 8 | sbox[w & 0xFF];
    }
    // InvMixColumns of one round-key word, for the equivalent inverse cipher.
    quint32 invMix(quint32 w) const {
        return td(0, sbox[w >> 24]) ^ td(1, sbox[(w >> 16) & 0xFF]) ^ td(2, sbox[(w >> 8) & 0xFF]) ^
               td(3, sbox[w & 0xFF]);
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

quint32 load(const uchar* p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

void store(quint32 w, uchar* p) {
    p[0] = uchar(w >> 24);
    p[1] = uchar(w >> 16);
    p[2] = uchar(w >> 8);
    p[3] = uchar(w);
}

} // namespace

// The expanded round keys of the last key set: for enciphering, and for the equivalent inverse
// cipher (reversed, with InvMixColumns applied to the inner rounds).
struct cRijndael::Contexts {
    const Tables& t = tables();
    std::array<quint32, kMaxRoundKeyWords> encrypt{};
    std::array<quint32, kMaxRoundKeyWords> decrypt{};

    void expand(const uchar* key, int keyWords, int rounds) {
        const int total = 4 * (rounds + 1);
        for (int i = 0; i < keyWords; ++i)
            encrypt[i] = load(key + 4 * i);
        quint32 rcon = 1;
        for (int i = keyWords; i < total; ++i) {
            quint32 w = encrypt[i - 1];
            if (i % keyWords == 0) {
                w = t.subWord(rotr(w, 24)) ^ (rcon << 24);
                rcon = times2(quint8(rcon));
            } else if (keyWords > 6 && i % keyWords == 4) {
                w = t.subWord(w);
            }
            encrypt[i] = encrypt[i - keyWords] ^ w;
        }
        for (int round = 0; round <= rounds; ++round)
            for (int c = 0; c < 4; ++c) {
                const quint32 w = encrypt[4 * (rounds - round) + c];
                decrypt[4 * round + c] = round == 0 || round == rounds ? w : t.invMix(w);
            }
    }

    void encryptBlock(int rounds, const uchar* in, uchar* out) const {
        const quint32* k = encrypt.data();
        quint32 s[4];
        for (int c = 0; c < 4; ++c)
            s[c] = load(in + 4 * c) ^ k[c];
        for (int round = 1; round < rounds; ++round) {
            k += 4;
            quint32 n[4];
            for (int c = 0; c < 4; ++c)
                n[c] = t.te(0, s[c] >> 24) ^ t.te(1, s[(c + 1) % 4] >> 16) ^ t.te(2, s[(c + 2) % 4] >> 8) ^
                       t.te(3, s[(c + 3) % 4]) ^ k[c];
            std::memcpy(s, n, sizeof s);
        }
        k += 4;
        for (int c = 0; c < 4; ++c) {
            const quint32 w =
                quint32(t.sbox[s[c] >> 24]) << 24 | quint32(t.sbox[(s[(c + 1) % 4] >> 16) & 0xFF]) << 16 |
                quint32(t.sbox[(s[(c + 2) % 4] >> 8) & 0xFF]) << 8 | t.sbox[s[(c + 3) % 4] & 0xFF];
            store(w ^ k[c], out + 4 * c);
        }
    }

    void decryptBlock(int rounds, const uchar* in, uchar* out) const {
        const quint32* k = decrypt.data();
        quint32 s[4];
        for (int c = 0; c < 4; ++c)
            s[c] = load(in + 4 * c) ^ k[c];
        for (int round = 1; round < rounds; ++round) {
            k += 4;
            quint32 n[4];
            for (int c = 0; c < 4; ++c)
                n[c] = t.td(0, s[c] >> 24) ^ t.td(1, s[(c + 3) % 4] >> 16) ^ t.td(2, s[(c + 2) % 4] >> 8) ^
                       t.td(3, s[(c + 1) % 4]) ^ k[c];
            std::memcpy(s, n, sizeof s);
        }
        k += 4;
        for (int c = 0; c < 4; ++c) {
            const quint32 w = quint32(t.inverse[s[c] >> 24]) << 24 |
                              quint32(t.inverse[(s[(c + 3) % 4] >> 16) & 0xFF]) << 16 |
                              quint32(t.inverse[(s[(c + 2) % 4] >> 8) & 0xFF]) << 8 |
                              t.inverse[s[(c + 1) % 4] & 0xFF];
            store(w ^ k[c], out + 4 * c);
        }
    }
};

cRijndael::cRijndael() : m_ctx(std::make_unique<Contexts>()) {}

cRijndael::~cRijndael() = default;

qint32 cRijndael::fail(qint32 number, const QString& description) {
    m_lastError = AppError{number, description, QStringLiteral("cRijndael")};
    return number;
}

qint32 cRijndael::SetCipherKey(const QByteArray& Key, qint32 KeyBits) {
    if (KeyBits != 128 && KeyBits != 192 && KeyBits != 256)
        return fail(IllegalArgument, QStringLiteral("cRijndael.SetCipherKey - Illegal KeyBits Value"));
    if (Key.size() < KeyBits / 8)
        return fail(SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    const int keyWords = KeyBits / 32;
    m_rounds = keyWords + 6;
    m_ctx->expand(reinterpret_cast<const uchar*>(Key.constData()), keyWords, m_rounds);
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
    // Every block on its own: no chaining, no state between calls.
    for (qsizetype done = 0; done + kBlock <= length; done += kBlock) {
        if (encrypt)
            m_ctx->encryptBlock(m_rounds, in + done, out + done);
        else
            m_ctx->decryptBlock(m_rounds, in + done, out + done);
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
    m_refusal.clear();
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
            m_refusal = QStringLiteral("warning - incorrect length field");
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
    m_refusal.clear();
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
        m_refusal = QStringLiteral("File Size Error - ciphertext file not a multiple of block size");
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
                m_refusal = QStringLiteral("warning - incorrect length field in decrypted file.\r\n"
                                           "Wrong key or keysize?");
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
