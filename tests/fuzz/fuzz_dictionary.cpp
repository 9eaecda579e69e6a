// Dictionary codes, names, entry texts and remarks are typed by users and go into statements;
// the search box looks through the names of the list.
#include "FuzzSupport.h"
#include "SqlLiterals.h"
#include "app/core/ImePreference.h"
#include "db/SqlTokenizer.h"
#include "db/TsqlAdapter.h"
#include "dictionary/core/DictionaryRules.h"
#include "dictionary/core/DictionaryStatements.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

QString pick(FuzzedDataProvider& in, size_t length) {
    const std::string s = in.ConsumeRandomLengthString(length);
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// A typed value must stay one value: the text holds exactly the statements it is built as, on
// either engine, and their literals are the typed values in order.
void checkStatements(const QString& sql, int statements, const QStringList& values, const char* what) {
    Fuzz::check(TsqlAdapter::splitStatements(sql).size() == statements, what);
    for (const auto dialect : {TsqlAdapter::Dialect::SQLite, TsqlAdapter::Dialect::PostgreSQL}) {
        QVector<AdaptedStatement> adapted;
        QString error;
        Fuzz::check(TsqlAdapter::adapt(sql, &adapted, &error, dialect), "a dictionary statement refused");
        Fuzz::check(adapted.size() == statements, what);
        QStringList literals;
        for (const AdaptedStatement& s : adapted)
            literals << Fuzz::valuesWithoutNoEscape(s.sql);
        Fuzz::check(literals == values, "a typed value did not stay one value");
    }
}

QString letters(const QString& text) {
    return text.left(4);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const QString code = pick(in, 24);
    const QString text = pick(in, 60);
    const QString remark = pick(in, 30);
    const QString search = pick(in, 16);
    const int lastHit = in.ConsumeIntegralInRange<int>(-2, 12);
    const qint64 id = in.ConsumeIntegral<qint64>();
    QStringList names;
    while (names.size() < 10 && in.remaining_bytes() > 0)
        names << pick(in, 20);

    if (DictionaryRules::CodeRefusal(code).isEmpty()) {
        checkStatements(DictionarySql::insertDictionary(code, text, remark, search, remark), 1,
                        {code, text, remark, search, remark}, "insert split");
        checkStatements(DictionarySql::deleteDictionary(code), 2, {code, code}, "delete split");
        checkStatements(DictionarySql::insertEntry(code, text, text), 1, {code, text, text}, "entry split");
        const QString batch = DictionaryRules::EntryBatch(
            code, {{text, {}, {}}, {remark, QStringLiteral("7"), DictionaryRules::ChangedMark}}, &letters);
        // A blank new row is left out of the batch.
        if (text.trimmed().isEmpty())
            checkStatements(batch, 1, {remark, letters(remark)}, "entry batch split");
        else
            checkStatements(batch, 2, {code, letters(text), text, remark, letters(remark)},
                            "entry batch split");
    }
    checkStatements(DictionarySql::updateDictionary(remark, code, text, search), 1,
                    {remark, code, text, search, code}, "update split");
    checkStatements(DictionarySql::entries(text), 1, {text}, "entries split");
    checkStatements(DictionarySql::deleteEntry(text), 1, {text}, "entry delete split");
    checkStatements(DictionarySql::updateEntry(text, remark, id), 1, {text, remark}, "entry update split");
    checkStatements(DictionarySql::dictionaries(search, false), 1,
                    {QLatin1Char('%') + search + QLatin1Char('%')}, "module list split");
    checkStatements(DictionarySql::links(remark), 1, {remark}, "links split");
    const QString linkBatch = DictionaryRules::LinkBatch(
        {{DictionaryRules::ChangedMark, code, QString::number(id)}, {{}, text, QStringLiteral("1")}});
    checkStatements(linkBatch, 1, {code}, "link batch split");
    for (const QChar c : search)
        if (c.unicode() > 127) // the code letters of a typed character are looked up one by one
            checkStatements(ImeSql::characterCode(c), 1, {QString(c)}, "letters lookup split");

    // The search box: the next row after the last hit (round to the top) holding the text.
    const int next = DictionaryRules::NextHit(names, lastHit, search);
    Fuzz::check(next >= 0 && next <= names.size(), "search hit outside the list");
    bool anyHolds = false;
    for (const QString& name : names)
        anyHolds = anyHolds || name.contains(search);
    Fuzz::check((next > 0) == (!search.isEmpty() && anyHolds), "a name holding the text was not found");
    if (next > 0) {
        Fuzz::check(names.at(next - 1).contains(search), "search hit without the text");
        const int count = int(names.size());
        for (int row = qBound(0, lastHit, count) % count + 1; row != next; row = row % count + 1)
            Fuzz::check(!names.at(row - 1).contains(search), "the search skipped a row holding the text");
    }
    const int exact = DictionaryRules::ExactHit(names, search);
    Fuzz::check(exact >= 0 && exact <= names.size(), "exact hit outside the list");
    for (int row = 1; row <= (exact > 0 ? exact : int(names.size())); ++row)
        Fuzz::check((names.at(row - 1).trimmed() == search.trimmed()) == (row == exact),
                    "the picker chose another name than the first equal one");
    return 0;
}
