// Every local file is read through the code page decoder.
#include "FuzzSupport.h"
#include "common/core/AnsiCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = Fuzz::bytes(data, size);
    const QString text = AnsiCodec::decode(bytes);
    Fuzz::check(text.size() <= bytes.size(), "more characters than bytes");
    const QByteArray again = AnsiCodec::encode(text);
    // Text decoded without a bad byte is written back as it was read.
    if (!text.contains(QChar(0xFFFD)))
        Fuzz::check(AnsiCodec::decode(again) == text, "decoded text does not survive a write");
    (void)AnsiCodec::encode(Fuzz::text(data, size));
    return 0;
}
