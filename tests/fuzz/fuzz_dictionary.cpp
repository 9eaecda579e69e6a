// Dictionary codes and entry texts are typed by users and go into statements; the search box
// looks through the names of the list.
#include "FuzzSupport.h"
#include "db/TsqlAdapter.h"
#include "dictionary/core/DictionaryRules.h"
#include "dictionary/core/DictionaryStatements.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

QString pick(FuzzedDataProvider& in, size_t length) {
    const std::string s = in.ConsumeRandomLengthString(length);
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// A typed value must stay one value: the text holds exactly the statements it is built as.
void checkStatements(const QString& sql, int statements, const char* what) {
    Fuzz::check(TsqlAdapter::splitStatements(sql).size() == statements, what);
    QVector<AdaptedStatement> adapted;
    QString error;
    Fuzz::check(TsqlAdapter::adapt(sql, &adapted, &error) || !error.isEmpty(),
                "failure without a description");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const QString code = pick(in, 24);
    const QString text = pick(in, 60);
    const QString search = pick(in, 16);
    const int lastHit = in.ConsumeIntegralInRange<int>(-2, 12);
    QStringList names;
    while (names.size() < 10 && in.remaining_bytes() > 0)
        names << pick(in, 20);

    if (DictionaryRules::CodeRefusal(code).isEmpty()) {
        checkStatements(DictionarySql::insertDictionary(code, text, text, text, text), 1, "insert split");
        checkStatements(DictionarySql::deleteDictionary(code), 2, "delete split");
        checkStatements(DictionarySql::insertEntry(code, text, text), 1, "entry split");
        const QString batch = DictionaryRules::EntryBatch(
            code, {{text, {}, {}}, {text, QStringLiteral("7"), DictionaryRules::ChangedMark}},
            [](const QString& t) { return t.left(4); });
        checkStatements(batch, 2, "entry batch split");
    }
    checkStatements(DictionarySql::entries(text), 1, "entries split");

    const int next = DictionaryRules::NextHit(names, lastHit, search);
    Fuzz::check(next >= 0 && next <= names.size(), "search hit outside the list");
    if (next > 0)
        Fuzz::check(names.at(next - 1).contains(search), "search hit without the text");
    const int exact = DictionaryRules::ExactHit(names, search);
    Fuzz::check(exact >= 0 && exact <= names.size(), "exact hit outside the list");
    return 0;
}
