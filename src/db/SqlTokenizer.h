#pragma once

#include <QString>
#include <QStringView>
#include <QVector>

#include <functional>

// Splits SQL text into tokens. Knows 'literals' with doubled quotes (and N'...', and
// PostgreSQL's $$ bodies $$),
// "quoted", [bracketed] and `backquoted` identifiers, numbers, words, @variables,
// -- and /* */ comments, blanks and punctuation, so that a value can never be taken
// for a keyword or a statement boundary.
struct SqlToken {
    enum class Kind { Blank, Comment, String, QuotedName, Number, Word, Variable, Punct };

    Kind kind = Kind::Blank;
    QString text;

    bool isSignificant() const { return kind != Kind::Blank && kind != Kind::Comment; }
    bool isWord(QStringView word) const {
        return kind == Kind::Word && text.compare(word, Qt::CaseInsensitive) == 0;
    }
    bool isPunct(QChar c) const { return kind == Kind::Punct && text.size() == 1 && text.at(0) == c; }
    // The value of a String token: quotes removed, doubled quotes made single.
    QString stringValue() const;
    // A name without its quotes or brackets (words as they are).
    QString nameValue() const;
};

using SqlTokens = QVector<SqlToken>;

namespace SqlTokenizer {
// Never fails: an unterminated literal or comment runs to the end of the text.
SqlTokens tokenize(QStringView sql);
// The same cuts without making the tokens: `visit` is called with each token's kind and span.
void scan(QStringView sql, const std::function<void(SqlToken::Kind, qsizetype, qsizetype)>& visit);
// The value of a literal as written: quotes (and N) removed, doubled quotes made single.
QString stringValue(QStringView literal);
QString join(const SqlTokens& tokens);
// Pieces of text between ';' outside literals, comments and names; blank pieces dropped.
QStringList splitOnSemicolons(QStringView sql);
// Whether the token at `k` is a whole item of a list: "(" or "," before it, "," or ")" after it.
bool isWholeListItem(const SqlTokens& tokens, qsizetype k);
} // namespace SqlTokenizer
