// Writes the pinyin initial of every Chinese character of GBK (which holds all of GB2312),
// one line per character: the character followed by its upper-case initial, in GBK order.
// Run once; its output is resources/pinyin_initials.txt:
//   g++ -O2 scripts/gen_pinyin.cpp $(pkg-config --cflags --libs icu-i18n icu-uc) -o /tmp/gen_pinyin
//   /tmp/gen_pinyin > resources/pinyin_initials.txt
#include <unicode/translit.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>

#include <cstdio>
#include <memory>
#include <string>

int main() {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> toLatin(
        icu::Transliterator::createInstance("Han-Latin; Latin-ASCII", UTRANS_FORWARD, status));
    if (U_FAILURE(status)) {
        std::fprintf(stderr, "transliterator: %s\n", u_errorName(status));
        return 1;
    }
    UConverter* gbk = ucnv_open("GBK", &status);
    if (U_FAILURE(status)) {
        std::fprintf(stderr, "converter: %s\n", u_errorName(status));
        return 1;
    }
    int written = 0, missing = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const char bytes[2] = {char(lead), char(trail)};
            UChar out[4];
            status = U_ZERO_ERROR;
            const int32_t n = ucnv_toUChars(gbk, out, 4, bytes, 2, &status);
            if (U_FAILURE(status) || n != 1)
                continue;
            UErrorCode scriptStatus = U_ZERO_ERROR;
            if (uscript_getScript(out[0], &scriptStatus) != USCRIPT_HAN || out[0] == 0x3007)
                continue;
            icu::UnicodeString text(out[0]);
            toLatin->transliterate(text);
            std::string latin;
            text.toUTF8String(latin);
            const char first = latin.empty() ? 0 : latin[0];
            if (!((first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z'))) {
                ++missing;
                continue;
            }
            std::string hz;
            icu::UnicodeString(out[0]).toUTF8String(hz);
            std::printf("%s%c\n", hz.c_str(), first >= 'a' ? first - 'a' + 'A' : first);
            ++written;
        }
    }
    ucnv_close(gbk);
    std::fprintf(stderr, "%d characters written, %d without a reading\n", written, missing);
    return 0;
}
