#pragma once

#include <QString>

// The string cipher of the hospital system (AES-128, electronic codebook, zero padding, GBK
// text, upper-case hexadecimal in groups of 16 bytes), used to store the unit name in
// HosPitalInfo. Gives the same texts as AES::AddMiMa and AES::JMiMa.
namespace UnitNameCipher {
inline const QString defaultPassPhrase = QStringLiteral("kelvorastimbeq");

// Empty text gives empty text; an empty pass phrase means the default one.
QString encipher(const QString& text, const QString& passPhrase = {});
// Empty text on input that is not hexadecimal or not whole blocks; NUL characters removed.
QString decipher(const QString& hex, const QString& passPhrase = {});
} // namespace UnitNameCipher
