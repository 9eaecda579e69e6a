// Typed search text goes into statement texts between single quotes.
#include "FuzzSupport.h"
#include "common/core/InputText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString typed = Fuzz::text(data, size);
    (void)ReadsAsDate(typed);
    const QString clean = CleanInputText(typed);
    // A quote would end the literal the text is put into.
    Fuzz::check(!clean.contains(u'\''), "a quote is left in cleaned text");
    return 0;
}
