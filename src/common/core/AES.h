#pragma once

#include "common/core/cRijndael.h"

#include <QString>

// Text to hexadecimal cipher text and back, as the hospital system stores enciphered values:
// AES-128 on each 16-byte block with no chaining, the key made from a pass phrase (GBK bytes
// cut or zero-padded, of which the first 16 count), the text in GBK padded with zero bytes,
// the cipher bytes as upper-case hexadecimal in groups of 16 bytes separated by two blanks.
// Nothing raises and nothing shows a box: bad input gives empty text, and where a box is due
// refusal() holds its text for the caller to show (Messages::plain).
class AES {
public:
    static constexpr qsizetype kMaxResult = 65536; // a result this long or longer is dropped
    static inline const QString kDefaultPassPhrase = QStringLiteral("kelvorastimbeq");

    // Empty JMStr gives empty text; an empty Ms means the default pass phrase.
    QString AddMiMa(const QString& JMStr, const QString& Ms = {});
    // Characters other than hexadecimal digits are skipped; without any byte the refusal is
    // "Text not Hex data". NUL characters (the padding) are removed.
    QString JMiMa(const QString& JMStr, const QString& Ms = {});
    // The box text of the last JMiMa's refusal; empty when it had none.
    const QString& refusal() const { return m_refusal; }

    static QString toHexGroups(const QByteArray& bytes);
    // Digits taken in pairs, high nibble first; an unpaired last digit is dropped.
    static QByteArray fromHexDigits(const QString& text);

private:
    cRijndael m_cipher;
    QString m_refusal;
};
