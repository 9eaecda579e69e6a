#include "db/SqlTokenizer.h"

#include <array>

namespace {

bool isWordStart(QChar c) {
    return c.isLetter() || c == u'_' || c == u'#' || c.unicode() > 0x7f;
}

bool isWordPart(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'#' || c == u'$' || c.unicode() > 0x7f;
}

// Index just past a quoted run that starts at `start` with `open` and ends with `close`;
// a doubled closing character stays inside.
qsizetype skipQuoted(QStringView s, qsizetype start, QChar close) {
    qsizetype i = start + 1;
    while (i < s.size()) {
        if (s.at(i) == close) {
            if (i + 1 < s.size() && s.at(i + 1) == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return s.size();
}

// PostgreSQL's $$...$$ or $tag$...$tag$ (a function body): the index just past it, or 0 when
// the text at `start` opens none.
qsizetype dollarQuoteEnd(QStringView s, qsizetype start) {
    if (s.at(start) != u'$')
        return 0;
    qsizetype k = start + 1;
    while (k < s.size() && (s.at(k).isLetterOrNumber() || s.at(k) == u'_') &&
           !(k == start + 1 && s.at(k).isDigit()))
        ++k;
    if (k >= s.size() || s.at(k) != u'$')
        return 0;
    const QStringView tag = s.mid(start, k - start + 1);
    const qsizetype close = s.indexOf(tag, k + 1);
    return close < 0 ? s.size() : close + tag.size();
}

// The one-character texts of the ASCII characters.
const std::array<QString, 128>& asciiTexts() {
    static const std::array<QString, 128> texts = [] {
        std::array<QString, 128> all;
        for (char16_t c = 0; c < 128; ++c)
            all[c] = QString(QChar(c));
        return all;
    }();
    return texts;
}

} // namespace

QString SqlToken::stringValue() const {
    return SqlTokenizer::stringValue(text);
}

QString SqlTokenizer::stringValue(QStringView v) {
    if (v.startsWith(u'N') || v.startsWith(u'n'))
        v = v.mid(1);
    if (v.startsWith(u'\''))
        v = v.mid(1);
    if (v.endsWith(u'\''))
        v.chop(1);
    return v.toString().replace(QStringLiteral("''"), QStringLiteral("'"));
}

QString SqlToken::nameValue() const {
    if (kind != Kind::QuotedName || text.size() < 2)
        return text;
    const QChar open = text.at(0);
    const QChar close = open == u'[' ? u']' : open;
    QString inner = text.mid(1, text.endsWith(close) ? text.size() - 2 : text.size() - 1);
    return inner.replace(QString(2, close), QString(close));
}

namespace SqlTokenizer {

SqlTokens tokenize(QStringView s) {
    SqlTokens out;
    out.reserve(s.size() / 3 + 1);
    scan(s, [&](SqlToken::Kind kind, qsizetype from, qsizetype to) {
        // Most tokens are a blank or a comma: those share one text each instead of their own.
        const char16_t c = s.at(from).unicode();
        if (to - from == 1 && c < 128)
            out.append(SqlToken{kind, asciiTexts()[c]});
        else
            out.append(SqlToken{kind, s.mid(from, to - from).toString()});
    });
    return out;
}

void scan(QStringView s, const std::function<void(SqlToken::Kind, qsizetype, qsizetype)>& push) {
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s.at(i);
        const QChar next = i + 1 < n ? s.at(i + 1) : QChar();
        qsizetype j = i + 1;
        if (c.isSpace()) {
            while (j < n && s.at(j).isSpace())
                ++j;
            push(SqlToken::Kind::Blank, i, j);
        } else if (c == u'-' && next == u'-') {
            while (j < n && s.at(j) != u'\n')
                ++j;
            push(SqlToken::Kind::Comment, i, j);
        } else if (c == u'/' && next == u'*') {
            const qsizetype end = s.indexOf(u"*/", i + 2);
            j = end < 0 ? n : end + 2;
            push(SqlToken::Kind::Comment, i, j);
        } else if (c == u'\'') {
            j = skipQuoted(s, i, u'\'');
            push(SqlToken::Kind::String, i, j);
        } else if ((c == u'N' || c == u'n') && next == u'\'') {
            j = skipQuoted(s, i + 1, u'\'');
            push(SqlToken::Kind::String, i, j);
        } else if (c == u'"' || c == u'`') {
            j = skipQuoted(s, i, c);
            push(SqlToken::Kind::QuotedName, i, j);
        } else if (c == u'[') {
            j = skipQuoted(s, i, u']');
            push(SqlToken::Kind::QuotedName, i, j);
        } else if (c.isDigit() || (c == u'.' && next.isDigit())) {
            while (j < n && (s.at(j).isDigit() || s.at(j) == u'.'))
                ++j;
            if (j < n && (s.at(j) == u'e' || s.at(j) == u'E')) {
                qsizetype k = j + 1;
                if (k < n && (s.at(k) == u'+' || s.at(k) == u'-'))
                    ++k;
                if (k < n && s.at(k).isDigit()) {
                    j = k;
                    while (j < n && s.at(j).isDigit())
                        ++j;
                }
            }
            push(SqlToken::Kind::Number, i, j);
        } else if (const qsizetype end = dollarQuoteEnd(s, i); end > 0) {
            j = end;
            push(SqlToken::Kind::String, i, j);
        } else if (c == u'@' || ((c == u':' || c == u'$') && isWordStart(next))) {
            while (j < n && (isWordPart(s.at(j)) || s.at(j) == u'@'))
                ++j;
            push(SqlToken::Kind::Variable, i, j);
        } else if (isWordStart(c)) {
            while (j < n && isWordPart(s.at(j)))
                ++j;
            push(SqlToken::Kind::Word, i, j);
        } else {
            static const QStringView twoChar[] = {u"<=", u">=", u"<>", u"!=", u"||", u"==", u"<<", u">>"};
            for (QStringView op : twoChar) {
                if (s.mid(i).startsWith(op)) {
                    j = i + 2;
                    break;
                }
            }
            push(SqlToken::Kind::Punct, i, j);
        }
        i = j;
    }
}

QString join(const SqlTokens& tokens) {
    QString out;
    for (const SqlToken& t : tokens)
        out += t.text;
    return out;
}

QStringList splitOnSemicolons(QStringView sql) {
    QStringList out;
    QString current;
    bool significant = false;
    for (const SqlToken& t : tokenize(sql)) {
        if (t.isPunct(u';')) {
            if (significant)
                out.append(current.trimmed());
            current.clear();
            significant = false;
            continue;
        }
        current += t.text;
        significant = significant || t.isSignificant();
    }
    if (significant)
        out.append(current.trimmed());
    return out;
}

bool isWholeListItem(const SqlTokens& tokens, qsizetype k) {
    const auto significantAt = [&tokens](qsizetype from, int step) -> const SqlToken* {
        for (qsizetype i = from + step; i >= 0 && i < tokens.size(); i += step)
            if (tokens.at(i).isSignificant())
                return &tokens.at(i);
        return nullptr;
    };
    const SqlToken* before = significantAt(k, -1);
    const SqlToken* after = significantAt(k, 1);
    return before && after && (before->isPunct(u'(') || before->isPunct(u',')) &&
           (after->isPunct(u',') || after->isPunct(u')'));
}

} // namespace SqlTokenizer
