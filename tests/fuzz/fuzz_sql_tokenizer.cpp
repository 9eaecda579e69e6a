// SQL text is built from typed values, so the tokenizer sees anything a user can type.
#include "FuzzSupport.h"
#include "db/SqlTokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString sql = Fuzz::text(data, size);
    const SqlTokens tokens = SqlTokenizer::tokenize(sql);
    // The tokens must cover the text exactly, or a statement would change on its way through.
    Fuzz::check(SqlTokenizer::join(tokens) == sql, "tokens do not join to the text");
    for (const SqlToken& t : tokens) {
        Fuzz::check(!t.text.isEmpty(), "empty token");
        (void)t.stringValue();
        (void)t.nameValue();
    }
    for (const QString& piece : SqlTokenizer::splitOnSemicolons(sql))
        Fuzz::check(!piece.isEmpty(), "blank piece kept");
    return 0;
}
