// Cipher text comes from the database and from settings: any text may be handed in.
#include "FuzzSupport.h"
#include "common/core/AES.h"
#include "common/core/AnsiCodec.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::silentMessages().reset();
    FuzzedDataProvider in(data, size);
    const QString passPhrase = QString::fromStdString(in.ConsumeRandomLengthString(40));
    const QString text = QString::fromStdString(in.ConsumeRemainingBytesAsString());

    AES aes;
    (void)aes.JMiMa(text, passPhrase);

    // Text the code page can hold comes back from its cipher text; NULs are the padding.
    const QString cipher = aes.AddMiMa(text, passPhrase);
    if (!cipher.isEmpty() && !text.contains(QChar(0)) && AnsiCodec::decode(AnsiCodec::encode(text)) == text)
        Fuzz::check(aes.JMiMa(cipher, passPhrase) == text, "cipher text does not decipher to its text");
    return 0;
}
