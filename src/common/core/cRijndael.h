#pragma once

#include "common/core/AppError.h"

#include <QByteArray>
#include <QString>

#include <memory>

// The AES block cipher (Rijndael with 16-byte blocks) on single blocks, used block by block
// with no chaining, and the zero-padded array and file forms built on it. The cipher is
// table-driven, its tables computed once: the unit name is read at every start, and a crypto
// library would cost the start more than the one block it deciphers.
//
// Run-time errors: where the Visual Basic class raised a run-time error, these routines
// return that error's number (non-zero) instead, change nothing, and leave the number,
// description and source ("cRijndael") in lastError(), ready for ShowErrorMessage. A
// routine that succeeds clears lastError(). The errors are:
//   5  "cRijndael.SetCipherKey - Illegal KeyBits Value"  (KeyBits not 128, 192 or 256)
//   9  "Subscript out of range"      (a key shorter than KeyBits/8, a block beyond an array)
//   91 "Object variable or With block variable not set"  (a cipher call before any key)
//   53 "File not found", 75 "Path/File access error"     (the file routines)
// A QByteArray always starts at index 0, so the "must be zero based array" errors of the
// array routines cannot arise.
//
// Nothing here shows a box. Where the Visual Basic class showed a plain message box, the
// routine returns 1 and leaves that box's text in refusal() for the caller to show
// (Messages::plain); every decipher routine clears it first.
class cRijndael {
public:
    enum Error : qint32 {
        IllegalArgument = 5,
        SubscriptOutOfRange = 9,
        FileNotFound = 53,
        FileAccess = 75,
        NoKey = 91,
    };

    cRijndael();
    ~cRijndael();
    cRijndael(const cRijndael&) = delete;
    cRijndael& operator=(const cRijndael&) = delete;

    // Expands the first KeyBits/8 bytes of Key: 128 (10 rounds), 192 (12) or 256 (14).
    qint32 SetCipherKey(const QByteArray& Key, qint32 KeyBits);
    // The key is the pass phrase in GBK, cut or zero-padded to 32 bytes.
    qint32 SetCipherKeyString(const QString& PassPhrase, qint32 KeyBits);
    static QByteArray keyFromPassPhrase(const QString& PassPhrase);
    // 10, 12 or 14 after a key was set; 0 before.
    int rounds() const { return m_rounds; }

    // One 16-byte block from offset p of Source to offset q of Destination; Source and
    // Destination may be the same array.
    qint32 BlockEncrypt(const QByteArray& Source, QByteArray& Destination, qint32 p, qint32 q);
    qint32 BlockDecrypt(const QByteArray& Source, QByteArray& Destination, qint32 p, qint32 q);

    // Zero-padded to whole blocks. With AppendSize != 0 the cipher text has room for one
    // more byte, the last, which holds the plaintext length mod 16. Returns 0.
    qint32 ArrayEncrypt(const QByteArray& plaintext, QByteArray& ciphertext, qint32 AppendSize);
    // -1 when the cipher text is not a positive multiple of 16 bytes; with AppendSize != 0,
    // 1 with the refusal "warning - incorrect length field" for a length byte of 16 or more,
    // else the plaintext is cut to its stored length. 0 on success.
    qint32 ArrayDecrypt(QByteArray& plaintext, const QByteArray& ciphertext, qint32 AppendSize);

    // Whole files in pieces of at most 4 000 000 bytes, the last piece with the length
    // byte. The output file is replaced only when the whole run succeeds.
    qint32 FileEncrypt(const QString& PlaintextFileName, const QString& CiphertextFileName);
    // 1 with a refusal for a cipher file of a wrong size or a wrong length byte.
    qint32 FileDecrypt(const QString& PlaintextFileName, const QString& CiphertextFileName);

    const AppError& lastError() const { return m_lastError; }
    // The text of the plain box the last decipher routine asks for; empty when none.
    const QString& refusal() const { return m_refusal; }

    static constexpr qint64 kFilePiece = 4000000;

private:
    struct Contexts;

    qint32 fail(qint32 number, const QString& description);
    bool hasKey() const { return m_rounds != 0; }
    // Runs the cipher over whole blocks; `in` and `out` may be the same.
    void cryptBlocks(bool encrypt, const uchar* in, uchar* out, qsizetype length);
    qint32 block(bool encrypt, const QByteArray& source, QByteArray& destination, qint32 p, qint32 q);

    std::unique_ptr<Contexts> m_ctx;
    int m_rounds = 0;
    AppError m_lastError;
    QString m_refusal;
};
