#include "db/TsqlAdapter.h"

#include <QHash>
#include <QMutex>
#include <QSet>

#include <algorithm>

using Kind = SqlToken::Kind;

namespace {

bool isStatementStartWord(QStringView word) {
    for (const char16_t* start : {u"SELECT", u"INSERT", u"UPDATE", u"DELETE", u"EXEC", u"EXECUTE"})
        if (word.compare(QStringView(start), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool isStatementStart(const SqlToken& t) {
    return t.kind == Kind::Word && isStatementStartWord(t.text);
}

QString syntaxError(const QString& near) {
    return QStringLiteral("'%1' 附近有语法错误。").arg(near);
}

QVector<SqlTokens> splitTokens(const SqlTokens& tokens) {
    QVector<SqlTokens> statements;
    SqlTokens current;
    QString firstWord;
    SqlToken previous;
    bool hasPrevious = false;
    int depth = 0;
    int blockDepth = 0; // BEGIN/CASE .. END inside CREATE TRIGGER
    bool sawValues = false;
    bool sawSelect = false; // INSERT .. SELECT has its one select

    auto flush = [&] {
        bool significant = false;
        for (const SqlToken& t : current)
            significant = significant || t.isSignificant();
        if (significant)
            statements.append(current);
        current.clear();
        firstWord.clear();
        hasPrevious = false;
        depth = 0;
        blockDepth = 0;
        sawValues = false;
        sawSelect = false;
    };

    for (const SqlToken& t : tokens) {
        if (t.isPunct(u';') && depth == 0 && blockDepth == 0) {
            flush();
            continue;
        }
        if (t.isSignificant()) {
            if (hasPrevious && depth == 0 && isStatementStart(t) && firstWord != u"CREATE" &&
                firstWord != u"WITH") {
                bool continues = false;
                if (previous.kind == Kind::Word) {
                    const QString p = previous.text.toUpper();
                    continues =
                        p == u"UNION" || p == u"ALL" || p == u"EXCEPT" || p == u"INTERSECT" || p == u"ON";
                }
                if (t.isWord(u"SELECT") && (firstWord == u"INSERT" || firstWord == u"REPLACE") &&
                    !sawValues && !sawSelect)
                    continues = true;
                if (!continues)
                    flush();
            }
            if (firstWord.isEmpty())
                firstWord = t.kind == Kind::Word ? t.text.toUpper() : QStringLiteral("?");
            if (t.isPunct(u'('))
                ++depth;
            else if (t.isPunct(u')') && depth > 0)
                --depth;
            else if (t.isWord(u"VALUES"))
                sawValues = true;
            else if (t.isWord(u"SELECT") && depth == 0 && firstWord != u"SELECT")
                sawSelect = true;
            if (firstWord == u"CREATE") {
                if (t.isWord(u"BEGIN") || t.isWord(u"CASE"))
                    ++blockDepth;
                else if (t.isWord(u"END") && blockDepth > 0)
                    --blockDepth;
            }
            current.append(t);
            previous = t;
            hasPrevious = true;
        } else {
            current.append(t);
        }
    }
    flush();
    return statements;
}

// Token edits that keep indexes stable: removed tokens and text appended after a token.
class Editor {
public:
    explicit Editor(SqlTokens tokens) : m_tokens(std::move(tokens)), m_removed(m_tokens.size(), false) {
        for (int i = 0; i < m_tokens.size(); ++i)
            if (m_tokens[i].isSignificant())
                m_significant.append(i);
    }

    SqlTokens& tokens() { return m_tokens; }
    int tokenCount() const { return int(m_tokens.size()); }
    const QVector<int>& significant() const { return m_significant; }
    const SqlToken& sig(int k) const { return m_tokens[m_significant[k]]; }
    int sigCount() const { return int(m_significant.size()); }

    void remove(int tokenIndex) {
        m_removed[tokenIndex] = true;
        // Take one following blank with it so "top 1 X" leaves no double blank.
        if (tokenIndex + 1 < m_tokens.size() && m_tokens[tokenIndex + 1].kind == Kind::Blank)
            m_removed[tokenIndex + 1] = true;
    }
    void removeOnly(int tokenIndex) { m_removed[tokenIndex] = true; }
    void append(int tokenIndex, const QString& text) { m_suffix[tokenIndex] += text; }
    bool isRemoved(int tokenIndex) const { return m_removed[tokenIndex]; }

    QString render(int from, int to) const {
        QString out;
        for (int i = from; i < to && i < m_tokens.size(); ++i) {
            if (!m_removed[i])
                out += m_tokens[i].text;
            out += m_suffix.value(i);
        }
        return out;
    }
    QString render() const { return render(0, int(m_tokens.size())); }

private:
    SqlTokens m_tokens;
    QVector<bool> m_removed;
    QHash<int, QString> m_suffix;
    QVector<int> m_significant;
};

QString quoteName(const QString& name) {
    QString n = name;
    return QLatin1Char('"') + n.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

void renameFunctions(Editor& ed, TsqlAdapter::Dialect dialect) {
    const bool postgres = dialect == TsqlAdapter::Dialect::PostgreSQL;
    static const QHash<QString, QString> names = {{QStringLiteral("GETDATE"), QStringLiteral("getdate")},
                                                  {QStringLiteral("ISNULL"), QStringLiteral("ifnull")},
                                                  {QStringLiteral("LEN"), QStringLiteral("length")}};
    SqlTokens& tokens = ed.tokens();
    for (int k = 0; k < ed.sigCount(); ++k) {
        const int index = ed.significant()[k];
        SqlToken& t = tokens[index];
        // 'a'N'b' must not become 'a''b', one value; nor [a]"b" one name.
        const QString gap = index > 0 && tokens[index - 1].kind == t.kind ? QStringLiteral(" ") : QString();
        if (t.kind == Kind::String && (t.text.startsWith(u'N') || t.text.startsWith(u'n'))) {
            t.text = gap + t.text.mid(1);
            continue;
        }
        if (postgres && t.kind == Kind::QuotedName) {
            t.text = gap + quoteName(t.nameValue().toLower());
            continue;
        }
        if (t.kind != Kind::Word || k + 1 >= ed.sigCount() || !ed.sig(k + 1).isPunct(u'('))
            continue;
        const auto it = names.constFind(t.text.toUpper());
        if (it != names.constEnd())
            t.text = postgres && it.value() == u"ifnull" ? QStringLiteral("coalesce") : it.value();
    }
}

// PostgreSQL reads a backslash in a LIKE pattern as an escape character; SQL Server and the
// embedded engine know none. "x LIKE pattern" gets "ESCAPE ''" after its pattern, so that
// "DOMAIN\user" matches itself and a pattern ending in "\" is no error.
void likeWithoutEscape(Editor& ed) {
    static const QSet<QString> ends = {
        QStringLiteral("AND"),    QStringLiteral("OR"),        QStringLiteral("ORDER"),
        QStringLiteral("GROUP"),  QStringLiteral("HAVING"),    QStringLiteral("UNION"),
        QStringLiteral("EXCEPT"), QStringLiteral("INTERSECT"), QStringLiteral("LIMIT"),
        QStringLiteral("THEN"),   QStringLiteral("WHEN"),      QStringLiteral("ELSE"),
        QStringLiteral("END"),    QStringLiteral("ESCAPE"),    QStringLiteral("FROM"),
        QStringLiteral("WHERE"),  QStringLiteral("ON"),        QStringLiteral("JOIN"),
        QStringLiteral("LEFT"),   QStringLiteral("RIGHT"),     QStringLiteral("INNER"),
        QStringLiteral("FULL"),   QStringLiteral("CROSS"),     QStringLiteral("IS"),
        QStringLiteral("NOT"),    QStringLiteral("AS"),        QStringLiteral("ASC"),
        QStringLiteral("DESC"),   QStringLiteral("INTO"),      QStringLiteral("VALUES"),
        QStringLiteral("SET"),    QStringLiteral("BETWEEN"),   QStringLiteral("LIKE"),
        QStringLiteral("ILIKE"),  QStringLiteral("OFFSET"),    QStringLiteral("FOR")};
    for (int k = 0; k < ed.sigCount(); ++k) {
        if (!ed.sig(k).isWord(u"LIKE") && !ed.sig(k).isWord(u"ILIKE"))
            continue;
        int end = k + 1;
        int depth = 0;
        for (; end < ed.sigCount(); ++end) {
            const SqlToken& t = ed.sig(end);
            if (t.isPunct(u'('))
                ++depth;
            else if (t.isPunct(u')') && depth-- == 0)
                break;
            else if (depth == 0 && (t.isPunct(u',') || t.isPunct(u';') ||
                                    (t.kind == Kind::Word && ends.contains(t.text.toUpper()))))
                break;
        }
        if (end == k + 1 || (end < ed.sigCount() && ed.sig(end).isWord(u"ESCAPE")))
            continue;
        ed.append(ed.significant()[end - 1], QStringLiteral(" ESCAPE ''"));
    }
}

// "select [distinct] top N ..." becomes "select [distinct] ... LIMIT N" at the end of that select.
bool rewriteTop(Editor& ed, QString* error) {
    for (int k = 0; k < ed.sigCount(); ++k) {
        if (!ed.sig(k).isWord(u"SELECT"))
            continue;
        int t = k + 1;
        while (t < ed.sigCount() && (ed.sig(t).isWord(u"DISTINCT") || ed.sig(t).isWord(u"ALL")))
            ++t;
        if (t >= ed.sigCount() || !ed.sig(t).isWord(u"TOP"))
            continue;
        int n = t + 1;
        QString count;
        int last = n;
        if (n < ed.sigCount() && ed.sig(n).kind == Kind::Number) {
            count = ed.sig(n).text;
        } else if (n + 2 < ed.sigCount() && ed.sig(n).isPunct(u'(') && ed.sig(n + 1).kind == Kind::Number &&
                   ed.sig(n + 2).isPunct(u')')) {
            count = ed.sig(n + 1).text;
            last = n + 2;
        } else {
            *error = syntaxError(QStringLiteral("TOP"));
            return false;
        }
        if (last + 1 < ed.sigCount() &&
            (ed.sig(last + 1).isWord(u"PERCENT") || ed.sig(last + 1).isWord(u"WITH"))) {
            *error = QStringLiteral("数据库不支持 TOP ... %1。").arg(ed.sig(last + 1).text);
            return false;
        }
        for (int r = t; r <= last; ++r)
            ed.remove(ed.significant()[r]);

        // The end of this select: a closing parenthesis of its level, a set operator or the end.
        int depth = 0;
        int end = ed.sigCount();
        for (int j = last + 1; j < ed.sigCount(); ++j) {
            const SqlToken& s = ed.sig(j);
            if (s.isPunct(u'(')) {
                ++depth;
            } else if (s.isPunct(u')')) {
                if (depth == 0) {
                    end = j;
                    break;
                }
                --depth;
            } else if (depth == 0 && (s.isWord(u"UNION") || s.isWord(u"EXCEPT") || s.isWord(u"INTERSECT"))) {
                end = j;
                break;
            }
        }
        int anchor = end - 1;
        while (anchor > k && ed.isRemoved(ed.significant()[anchor]))
            --anchor;
        ed.append(ed.significant()[anchor], QStringLiteral(" LIMIT ") + count);
    }
    return true;
}

// PostgreSQL names a result column by its folded name: a plain column of the outer select keeps
// the spelling of the statement text through an alias ("select DH" reads back as DH, as on SQL
// Server). "*" and expressions are left as they are.
bool isName(const SqlToken& t);

void keepColumnSpelling(Editor& ed) {
    QVector<int> live; // significant positions that are still there
    for (int k = 0; k < ed.sigCount(); ++k)
        if (!ed.isRemoved(ed.significant()[k]))
            live.append(k);
    int i = 1;
    while (i < live.size() && (ed.sig(live[i]).isWord(u"DISTINCT") || ed.sig(live[i]).isWord(u"ALL")))
        ++i;
    int depth = 0;
    int start = i;
    const auto finishItem = [&](int end) { // items are live[start..end)
        const int length = end - start;
        if (length != 1 && length != 3)
            return;
        const SqlToken& last = ed.sig(live[end - 1]);
        if (last.kind != Kind::Word)
            return;
        if (length == 3 && (!isName(ed.sig(live[start])) || !ed.sig(live[start + 1]).isPunct(u'.')))
            return;
        ed.append(ed.significant()[live[end - 1]], QStringLiteral(" AS ") + quoteName(last.text));
    };
    for (; i < live.size(); ++i) {
        const SqlToken& t = ed.sig(live[i]);
        if (t.isPunct(u'(')) {
            ++depth;
        } else if (t.isPunct(u')')) {
            depth = qMax(0, depth - 1);
        } else if (depth == 0 && t.isPunct(u',')) {
            finishItem(i);
            start = i + 1;
        } else if (depth == 0 &&
                   (t.isWord(u"FROM") || t.isWord(u"INTO") || t.isWord(u"WHERE") || t.isWord(u"UNION") ||
                    t.isWord(u"ORDER") || t.isWord(u"GROUP") || t.isWord(u"LIMIT"))) {
            break;
        }
    }
    finishItem(i);
}

struct FromItem {
    QString table;
    QString alias;
};

bool isClauseWord(const SqlToken& t) {
    static const QSet<QString> words = {
        QStringLiteral("JOIN"),  QStringLiteral("INNER"), QStringLiteral("LEFT"),  QStringLiteral("RIGHT"),
        QStringLiteral("OUTER"), QStringLiteral("CROSS"), QStringLiteral("FULL"),  QStringLiteral("ON"),
        QStringLiteral("WHERE"), QStringLiteral("WITH"),  QStringLiteral("USING"), QStringLiteral("NATURAL")};
    return t.kind == Kind::Word && words.contains(t.text.toUpper());
}

bool isName(const SqlToken& t) {
    return t.kind == Kind::Word || t.kind == Kind::QuotedName;
}

// Tables and aliases of a FROM list between significant positions [from, to).
QVector<FromItem> parseFromList(const Editor& ed, int from, int to) {
    QVector<FromItem> items;
    bool tablePosition = true;
    int depth = 0;
    for (int k = from; k < to; ++k) {
        const SqlToken& t = ed.sig(k);
        if (t.isPunct(u'(')) {
            ++depth;
            continue;
        }
        if (t.isPunct(u')')) {
            depth = qMax(0, depth - 1);
            continue;
        }
        if (depth > 0)
            continue;
        if (t.isPunct(u',') || t.isWord(u"JOIN")) {
            tablePosition = true;
            continue;
        }
        if (!tablePosition || !isName(t) || isClauseWord(t))
            continue;
        FromItem item;
        item.table = t.nameValue();
        while (k + 2 < to && ed.sig(k + 1).isPunct(u'.') && isName(ed.sig(k + 2))) {
            item.table = ed.sig(k + 2).nameValue();
            k += 2;
        }
        if (k + 2 < to && ed.sig(k + 1).isWord(u"AS")) {
            item.alias = ed.sig(k + 2).nameValue();
            k += 2;
        } else if (k + 1 < to && isName(ed.sig(k + 1)) && !isClauseWord(ed.sig(k + 1))) {
            item.alias = ed.sig(k + 1).nameValue();
            k += 1;
        }
        items.append(item);
        tablePosition = false;
    }
    return items;
}

// First significant position in [from, to) of a word at parenthesis level 0, or -1.
int findTopLevelWord(const Editor& ed, int from, int to, QStringView word) {
    int depth = 0;
    for (int k = from; k < to; ++k) {
        const SqlToken& t = ed.sig(k);
        if (t.isPunct(u'('))
            ++depth;
        else if (t.isPunct(u')'))
            depth = qMax(0, depth - 1);
        else if (depth == 0 && t.isWord(word))
            return k;
    }
    return -1;
}

// Which table the target names in the FROM list, and how the list calls it.
bool resolveTarget(const QVector<FromItem>& items, const QString& target, QString* table,
                   QString* qualifier) {
    for (const FromItem& item : items) {
        if (!item.alias.isEmpty() && item.alias.compare(target, Qt::CaseInsensitive) == 0) {
            *table = item.table;
            *qualifier = item.alias;
            return true;
        }
    }
    for (const FromItem& item : items) {
        if (item.table.compare(target, Qt::CaseInsensitive) == 0) {
            *table = item.table;
            *qualifier = item.alias.isEmpty() ? item.table : item.alias;
            return true;
        }
    }
    return false;
}

// A table or alias name as the engine finds it: PostgreSQL folded the names it was created with.
QString engineName(const QString& name, TsqlAdapter::Dialect dialect) {
    return quoteName(dialect == TsqlAdapter::Dialect::PostgreSQL ? name.toLower() : name);
}

// The rows of the FROM list that the target touches: "rowid IN (SELECT q.rowid FROM .. WHERE ..)"
// (PostgreSQL's row address is ctid).
QString rowFilter(const Editor& ed, const QString& qualifier, int fromSig, int whereSig,
                  TsqlAdapter::Dialect dialect) {
    const QString row =
        dialect == TsqlAdapter::Dialect::PostgreSQL ? QStringLiteral("ctid") : QStringLiteral("rowid");
    const int total = ed.tokenCount();
    const int fromStart = ed.significant()[fromSig] + 1;
    const int fromEnd = whereSig >= 0 ? ed.significant()[whereSig] : total;
    QString filter = row + QStringLiteral(" IN (SELECT ") + engineName(qualifier, dialect) +
                     QLatin1Char('.') + row + QStringLiteral(" FROM ") +
                     ed.render(fromStart, fromEnd).trimmed();
    if (whereSig >= 0)
        filter += QStringLiteral(" WHERE ") + ed.render(ed.significant()[whereSig] + 1, total).trimmed();
    return filter + QLatin1Char(')');
}

// PostgreSQL: "Update T Set .. From T, U Where .." becomes "UPDATE T SET .. FROM U WHERE ..", the
// target taken out of a plain comma list, so that a row changed meanwhile by another
// workstation is checked again against the join. False when the list has joins.
bool updateWithoutSelfJoin(const Editor& ed, int setSig, int fromSig, int whereSig, const QString& target,
                           QString* sql) {
    const int end = whereSig >= 0 ? whereSig : ed.sigCount();
    QVector<QPair<int, int>> segments; // significant ranges [first, last)
    int depth = 0;
    int start = fromSig + 1;
    for (int k = fromSig + 1; k < end; ++k) {
        const SqlToken& t = ed.sig(k);
        if (t.isPunct(u'('))
            ++depth;
        else if (t.isPunct(u')'))
            depth = qMax(0, depth - 1);
        else if (depth == 0 && (t.isWord(u"JOIN") || t.isWord(u"ON")))
            return false;
        else if (depth == 0 && t.isPunct(u',')) {
            segments.append({start, k});
            start = k + 1;
        }
    }
    segments.append({start, end});
    // An empty item ("From T A, , U" or a list ending in a comma) is no plain list.
    for (const auto& segment : segments)
        if (segment.first >= segment.second)
            return false;
    int chosen = -1;
    QString table;
    QString alias;
    for (int pass = 0; pass < 2 && chosen < 0; ++pass) {
        for (int i = 0; i < segments.size() && chosen < 0; ++i) {
            const QVector<FromItem> items = parseFromList(ed, segments[i].first, segments[i].second);
            if (items.size() != 1)
                return false;
            const FromItem& item = items.first();
            const QString& name = pass == 0 ? item.alias : item.table;
            if (!name.isEmpty() && name.compare(target, Qt::CaseInsensitive) == 0) {
                chosen = i;
                table = item.table;
                alias = item.alias;
            }
        }
    }
    if (chosen < 0 || segments[chosen].first >= segments[chosen].second)
        return false;
    QStringList others;
    for (int i = 0; i < segments.size(); ++i)
        if (i != chosen)
            others << ed.render(ed.significant()[segments[i].first],
                                ed.significant()[segments[i].second - 1] + 1)
                          .trimmed();
    const auto dialect = TsqlAdapter::Dialect::PostgreSQL;
    QString out = QStringLiteral("UPDATE ") + engineName(table, dialect);
    if (!alias.isEmpty())
        out += QStringLiteral(" AS ") + engineName(alias, dialect);
    out += QStringLiteral(" SET ") +
           ed.render(ed.significant()[setSig] + 1, ed.significant()[fromSig]).trimmed();
    if (!others.isEmpty())
        out += QStringLiteral(" FROM ") + others.join(QStringLiteral(", "));
    if (whereSig >= 0)
        out +=
            QStringLiteral(" WHERE ") + ed.render(ed.significant()[whereSig] + 1, ed.tokenCount()).trimmed();
    *sql = out;
    return true;
}

// T-SQL's "Update T Set .. From T, U Where .." names the target again in the FROM list;
// the engine would join the table with itself, so the target leaves the list (PostgreSQL) or
// the rows are picked by their address.
void rewriteUpdateFrom(Editor& ed, QString* sql, TsqlAdapter::Dialect dialect) {
    const int setSig = findTopLevelWord(ed, 1, ed.sigCount(), u"SET");
    if (setSig < 2)
        return;
    const int fromSig = findTopLevelWord(ed, setSig + 1, ed.sigCount(), u"FROM");
    if (fromSig < 0)
        return;
    const int whereSig = findTopLevelWord(ed, fromSig + 1, ed.sigCount(), u"WHERE");
    const QString target = ed.sig(setSig - 1).nameValue();
    QString table;
    QString qualifier;
    if (!resolveTarget(parseFromList(ed, fromSig + 1, whereSig >= 0 ? whereSig : ed.sigCount()), target,
                       &table, &qualifier))
        return; // the engine's own UPDATE .. FROM serves
    // "Set T.col=" loses its qualifier: the engine names the assigned column alone.
    int depth = 0;
    for (int k = setSig + 1; k + 2 < fromSig; ++k) {
        const SqlToken& t = ed.sig(k);
        if (t.isPunct(u'('))
            ++depth;
        else if (t.isPunct(u')'))
            depth = qMax(0, depth - 1);
        const bool assignmentStart = depth == 0 && (k == setSig + 1 || ed.sig(k - 1).isPunct(u','));
        if (assignmentStart && isName(t) && ed.sig(k + 1).isPunct(u'.') &&
            (t.nameValue().compare(target, Qt::CaseInsensitive) == 0 ||
             t.nameValue().compare(qualifier, Qt::CaseInsensitive) == 0)) {
            ed.removeOnly(ed.significant()[k]);
            ed.removeOnly(ed.significant()[k + 1]);
        }
    }
    if (dialect == TsqlAdapter::Dialect::PostgreSQL &&
        updateWithoutSelfJoin(ed, setSig, fromSig, whereSig, target, sql))
        return;
    const QString assignments = ed.render(ed.significant()[setSig] + 1, ed.significant()[fromSig]).trimmed();
    *sql = QStringLiteral("UPDATE ") + engineName(table, dialect) + QStringLiteral(" SET ") + assignments +
           QStringLiteral(" WHERE ") + rowFilter(ed, qualifier, fromSig, whereSig, dialect);
}

// "Delete T Where .." gets its FROM; "Delete T From T, U Where .." picks rows by their address.
void rewriteDelete(Editor& ed, QString* sql, TsqlAdapter::Dialect dialect) {
    if (ed.sigCount() < 2 || ed.sig(1).isWord(u"FROM") || !isName(ed.sig(1)))
        return;
    const int fromSig = findTopLevelWord(ed, 2, ed.sigCount(), u"FROM");
    if (fromSig < 0) {
        ed.append(ed.significant()[0], QStringLiteral(" FROM"));
        *sql = ed.render();
        return;
    }
    const int whereSig = findTopLevelWord(ed, fromSig + 1, ed.sigCount(), u"WHERE");
    QString table;
    QString qualifier;
    if (!resolveTarget(parseFromList(ed, fromSig + 1, whereSig >= 0 ? whereSig : ed.sigCount()),
                       ed.sig(1).nameValue(), &table, &qualifier))
        return;
    *sql = QStringLiteral("DELETE FROM ") + engineName(table, dialect) + QStringLiteral(" WHERE ") +
           rowFilter(ed, qualifier, fromSig, whereSig, dialect);
}

bool parseExec(const Editor& ed, AdaptedStatement* out, QString* error) {
    int k = 1;
    if (k >= ed.sigCount() || !isName(ed.sig(k))) {
        *error = syntaxError(ed.sig(0).text);
        return false;
    }
    out->kind = AdaptedStatement::Kind::Exec;
    out->procedure = ed.sig(k).nameValue();
    while (k + 2 < ed.sigCount() && ed.sig(k + 1).isPunct(u'.') && isName(ed.sig(k + 2))) {
        out->procedure = ed.sig(k + 2).nameValue();
        k += 2;
    }
    ++k;
    while (k < ed.sigCount()) {
        const SqlToken& t = ed.sig(k);
        QString sign;
        if ((t.isPunct(u'-') || t.isPunct(u'+')) && k + 1 < ed.sigCount() &&
            ed.sig(k + 1).kind == Kind::Number) {
            sign = t.text == u"-" ? QStringLiteral("-") : QString();
            ++k;
        }
        const SqlToken& v = ed.sig(k);
        if (v.kind == Kind::String) {
            out->arguments.append(v.stringValue());
        } else if (v.kind == Kind::Number) {
            const QString number = sign + v.text;
            bool ok = false;
            const qlonglong whole = number.toLongLong(&ok);
            out->arguments.append(ok ? QVariant(whole) : QVariant(number.toDouble()));
        } else if (v.isWord(u"NULL")) {
            out->arguments.append(QVariant());
        } else if (v.kind == Kind::Word && !v.isWord(u"DEFAULT")) {
            out->arguments.append(v.text); // T-SQL takes a bare word as text
        } else {
            *error = syntaxError(v.text);
            return false;
        }
        ++k;
        if (k < ed.sigCount()) {
            if (!ed.sig(k).isPunct(u',') || k + 1 >= ed.sigCount()) {
                *error = syntaxError(ed.sig(k).text);
                return false;
            }
            ++k;
        }
    }
    return true;
}

// A literal without its closing quote runs to the end of the text: its value would take in
// whatever a rewrite appends ("LIMIT 1"). SQL Server refuses such a text too.
bool closedLiteral(QStringView text) {
    if (text.startsWith(u'$')) { // $tag$ .. $tag$
        const QStringView tag = text.left(text.indexOf(u'$', 1) + 1);
        return text.size() >= 2 * tag.size() && text.endsWith(tag);
    }
    qsizetype i = text.startsWith(u'\'') ? 1 : 2; // after the quote (or N and the quote)
    while (i < text.size()) {
        if (text.at(i) == u'\'') {
            if (i + 1 < text.size() && text.at(i + 1) == u'\'') {
                i += 2;
                continue;
            }
            return i + 1 == text.size();
        }
        ++i;
    }
    return false;
}

bool adaptStatement(const SqlTokens& tokens, AdaptedStatement* out, QString* error,
                    TsqlAdapter::Dialect dialect) {
    Editor ed(tokens);
    if (ed.sigCount() == 0)
        return true;
    for (int k = 0; k < ed.sigCount(); ++k) {
        if (ed.sig(k).kind == Kind::String && !closedLiteral(ed.sig(k).text)) {
            *error = QStringLiteral("字符串 '%1' 后的引号不完整。").arg(ed.sig(k).stringValue().left(40));
            return false;
        }
    }
    const SqlToken& first = ed.sig(0);
    if (first.isWord(u"EXEC") || first.isWord(u"EXECUTE"))
        return parseExec(ed, out, error);
    renameFunctions(ed, dialect);
    if (dialect == TsqlAdapter::Dialect::PostgreSQL)
        likeWithoutEscape(ed);
    if (!rewriteTop(ed, error))
        return false;
    if (dialect == TsqlAdapter::Dialect::PostgreSQL && first.isWord(u"SELECT"))
        keepColumnSpelling(ed);
    out->kind = AdaptedStatement::Kind::Sql;
    out->sql = ed.render().trimmed();
    if (first.isWord(u"UPDATE"))
        rewriteUpdateFrom(ed, &out->sql, dialect);
    else if (first.isWord(u"DELETE"))
        rewriteDelete(ed, &out->sql, dialect);
    out->sql = out->sql.trimmed();
    return true;
}

bool adaptTokens(const SqlTokens& tokens, QVector<AdaptedStatement>* out, QString* error,
                 TsqlAdapter::Dialect dialect) {
    out->clear();
    for (const SqlTokens& statement : splitTokens(tokens)) {
        AdaptedStatement adapted;
        if (!adaptStatement(statement, &adapted, error, dialect))
            return false;
        out->append(adapted);
    }
    return true;
}

// Statements that come again with other values are adapted once for their shape: each closed
// text literal of the batch stands in as a numbered slot ('\uE000n\uE000'), the adapted shape is
// kept, and the values go back into its slots. The adaptation never looks into a literal (it
// only drops an N prefix and hands an exec argument over as its value), so the result is the
// text a fresh adaptation gives. A text that holds the slot character itself is adapted fresh.
constexpr char16_t kSlot = 0xE000;

struct Literal {
    QString raw;         // between the quotes, doubled quotes as written; a number as written
    QString value;       // the value: doubled quotes made single
    bool number = false; // a number of a VALUES list, which stands in its slot without quotes
};

QString slotMark(qsizetype index) {
    // Every statement is marked on its way to the engine: the first marks are made once.
    static const QVector<QString> first = [] {
        QVector<QString> marks;
        for (qsizetype i = 0; i < 32; ++i)
            marks.append(QChar(kSlot) + QString::number(i) + QChar(kSlot));
        return marks;
    }();
    if (index < first.size())
        return first.at(index);
    return QChar(kSlot) + QString::number(index) + QChar(kSlot);
}

// One parameter of a statement's parameterized form: the value of a slot, or one of its own.
struct Parameter {
    qsizetype slot = -1;
    QVariant value;
};

// The parameterized form of a statement with slots: its text (slots outside its clauses still in
// it) and its parameters. An empty text: the statement has none.
struct ParameterTemplate {
    QString text;
    QVector<Parameter> parameters;
};

// An adapted shape, and for the embedded engine its statements' parameterized forms.
struct Shape {
    QVector<AdaptedStatement> statements;
    QVector<ParameterTemplate> templates;
};

class ShapeCache {
public:
    // The adapted shape of `key`; false when it is not known.
    bool find(const QString& key, TsqlAdapter::Dialect dialect, Shape* shape) {
        const QMutexLocker lock(&m_mutex);
        const auto it = m_shapes.constFind({key, int(dialect)});
        if (it == m_shapes.constEnd())
            return false;
        *shape = it.value();
        return true;
    }
    void keep(const QString& key, TsqlAdapter::Dialect dialect, const Shape& shape) {
        const QMutexLocker lock(&m_mutex);
        if (m_shapes.size() >= kMaxShapes) // a program builds a few dozen shapes; more is a stray
            m_shapes.clear();
        m_shapes.insert({key, int(dialect)}, shape);
    }
    void clear() {
        const QMutexLocker lock(&m_mutex);
        m_shapes.clear();
    }

private:
    static constexpr qsizetype kMaxShapes = 512;
    QMutex m_mutex; // the statements may run on a worker thread
    QHash<QPair<QString, int>, Shape> m_shapes;
};

ShapeCache& shapeCache() {
    static ShapeCache cache;
    return cache;
}

// The text with its closed literals (and the numbers of its VALUES lists) as slots, and those
// values; false when the text cannot take slots (it holds the slot character). A text without
// any is its own shape. Read without making tokens: a text whose shape is known is not cut up.
bool shapeOf(const QString& text, QString* key, QVector<Literal>* literals) {
    if (text.contains(QChar(kSlot)))
        return false;
    key->reserve(text.size() + 16);
    const QStringView all(text);
    qsizetype copied = 0; // the text before this is in the key
    // Puts a slot in place of the text from `from` to `to`.
    const auto slot = [&](qsizetype from, qsizetype to, const Literal& literal, bool quoted) {
        key->append(all.mid(copied, from - copied));
        if (quoted)
            key->append(u'\'');
        key->append(slotMark(literals->size()));
        if (quoted)
            key->append(u'\'');
        copied = to;
        literals->append(literal);
    };
    bool inValues = false;
    QStringView last; // the last significant token
    Kind lastKind = Kind::Blank;
    // A number of a VALUES list after "(" or ",": a slot when "," or ")" follows it.
    qsizetype numberFrom = -1;
    qsizetype numberTo = -1;
    SqlTokenizer::scan(text, [&](Kind kind, qsizetype from, qsizetype to) {
        const QStringView t = all.mid(from, to - from);
        if (kind == Kind::Blank || kind == Kind::Comment)
            return;
        if (numberFrom >= 0) {
            // A number of a VALUES list (an audit row's number, say) changes with every row, and
            // nothing in the adaptation looks at it.
            if (kind == Kind::Punct && (t == u"," || t == u")")) {
                const QString number = all.mid(numberFrom, numberTo - numberFrom).toString();
                slot(numberFrom, numberTo, {number, number, true}, true);
            }
            numberFrom = -1;
        }
        if (kind == Kind::Word && t.size() == 6 && t.compare(u"VALUES", Qt::CaseInsensitive) == 0)
            inValues = true;
        else if (inValues &&
                 ((kind == Kind::Punct && t == u";") || (kind == Kind::Word && isStatementStartWord(t))))
            inValues = false;
        if (kind == Kind::String && (t.startsWith(u'\'') || t.startsWith(u'N') || t.startsWith(u'n')) &&
            closedLiteral(t)) {
            const qsizetype open = t.indexOf(u'\'');
            slot(from + open + 1, to - 1,
                 {t.mid(open + 1, t.size() - open - 2).toString(), SqlTokenizer::stringValue(t)}, false);
        } else if (inValues && kind == Kind::Number && lastKind == Kind::Punct &&
                   (last == u"(" || last == u",")) {
            numberFrom = from;
            numberTo = to;
        }
        last = t;
        lastKind = kind;
    });
    key->append(all.mid(copied));
    return true;
}

// The number a text holds, as the engines read it written.
QVariant numberValue(const QString& text) {
    bool whole = false;
    const qlonglong value = text.toLongLong(&whole);
    return whole ? QVariant(value) : QVariant(text.toDouble());
}

QVariant slotValue(const Literal& literal) {
    return literal.number ? numberValue(literal.value) : QVariant(literal.value);
}

// The slot index of a slot literal ('\uE000n\uE000'), or -1.
qsizetype slotAt(const SqlToken& t) {
    const QString& text = t.text;
    if (t.kind != Kind::String || text.size() < 5 || text.at(1) != QChar(kSlot) ||
        text.at(text.size() - 2) != QChar(kSlot))
        return -1;
    bool ok = false;
    const qsizetype index = QStringView(text).mid(2, text.size() - 4).toLongLong(&ok);
    return ok ? index : -1;
}

// `text` with the values back in its slots.
QString filledText(const QString& text, const QVector<Literal>& literals) {
    QString filled;
    filled.reserve(text.size());
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(QChar(kSlot)); at >= 0; at = text.indexOf(QChar(kSlot), from)) {
        const qsizetype end = text.indexOf(QChar(kSlot), at + 1);
        const Literal& literal = literals.at(QStringView(text).mid(at + 1, end - at - 1).toInt());
        // A number's slot goes with its quotes.
        const bool unquote = literal.number && at > 0 && text.at(at - 1) == u'\'' && end + 1 < text.size() &&
                             text.at(end + 1) == u'\'';
        filled.append(QStringView(text).mid(from, at - from - (unquote ? 1 : 0)));
        filled.append(literal.raw);
        from = end + (unquote ? 2 : 1);
    }
    filled.append(QStringView(text).mid(from));
    return filled;
}

// The shape with the values back in its slots.
void fillSlots(QVector<AdaptedStatement>* statements, const QVector<Literal>& literals) {
    for (AdaptedStatement& s : *statements) {
        if (s.kind == AdaptedStatement::Kind::Exec) {
            for (QVariant& argument : s.arguments) {
                if (argument.typeId() != QMetaType::QString)
                    continue;
                const QString text = argument.toString();
                if (text.size() < 3 || text.front() != QChar(kSlot) || text.back() != QChar(kSlot))
                    continue;
                // As the adaptation of the value itself gives it.
                argument = slotValue(literals.at(text.mid(1, text.size() - 2).toInt()));
            }
            continue;
        }
        s.sql = filledText(s.sql, literals);
    }
}

// The parameterized form of a statement's tokens (see TsqlAdapter::parameterize); with `withSlots`,
// a slot literal stands for its slot's value.
ParameterTemplate parameterTemplate(const SqlTokens& tokens, bool withSlots) {
    ParameterTemplate out;
    const auto first =
        std::find_if(tokens.begin(), tokens.end(), [](const SqlToken& t) { return t.isSignificant(); });
    if (first == tokens.end() || !(first->isWord(u"select") || first->isWord(u"insert") ||
                                   first->isWord(u"update") || first->isWord(u"delete")))
        return out;
    bool inClause = false;
    bool inValues = false;
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        const SqlToken& t = tokens.at(k);
        if (t.kind == Kind::Word) {
            inValues = inValues || t.isWord(u"values");
            inClause = inClause || inValues || t.isWord(u"where") || t.isWord(u"set");
        }
        // A literal closed by its quote: an odd count of quotes means the text ran out inside it.
        if (inClause && t.kind == Kind::String && t.text.size() >= 2 && t.text.startsWith(u'\'') &&
            t.text.count(u'\'') % 2 == 0) {
            out.text += u'?';
            const qsizetype slot = withSlots ? slotAt(t) : -1;
            out.parameters.append(slot >= 0 ? Parameter{slot, QVariant()} : Parameter{-1, t.stringValue()});
        } else if (inValues && t.kind == Kind::Number && SqlTokenizer::isWholeListItem(tokens, k)) {
            out.text += u'?';
            out.parameters.append({-1, numberValue(t.text)});
        } else {
            out.text += t.text;
        }
    }
    if (out.parameters.isEmpty())
        out.text.clear();
    return out;
}

// The embedded engine's parameterized forms of a shape's statements.
QVector<ParameterTemplate> templatesOf(const QVector<AdaptedStatement>& statements) {
    QVector<ParameterTemplate> templates;
    for (const AdaptedStatement& s : statements)
        templates.append(s.kind == AdaptedStatement::Kind::Sql
                             ? parameterTemplate(SqlTokenizer::tokenize(s.sql), true)
                             : ParameterTemplate());
    return templates;
}

// The statements' parameterized forms from their shape's, with the slots' values.
void fillParameters(QVector<AdaptedStatement>* statements, const QVector<ParameterTemplate>& templates,
                    const QVector<Literal>& literals) {
    for (qsizetype i = 0; i < statements->size() && i < templates.size(); ++i) {
        AdaptedStatement& s = (*statements)[i];
        const ParameterTemplate& t = templates.at(i);
        if (s.kind != AdaptedStatement::Kind::Sql)
            continue;
        s.parametersKnown = true;
        s.parameterized = literals.isEmpty() ? t.text : filledText(t.text, literals);
        s.values.clear();
        for (const Parameter& p : t.parameters)
            s.values.append(p.slot >= 0 ? slotValue(literals.at(p.slot)) : p.value);
    }
}

} // namespace

bool TsqlAdapter::adapt(const QString& tsql, QVector<AdaptedStatement>* out, QString* error,
                        Dialect dialect) {
    QString key;
    QVector<Literal> literals;
    if (!shapeOf(tsql, &key, &literals))
        return adaptAsWritten(tsql, out, error, dialect);
    Shape shape;
    if (!shapeCache().find(key, dialect, &shape)) {
        QString shapeError;
        // A shape that fails is adapted again as written, for the error its own text gives.
        if (!adaptTokens(SqlTokenizer::tokenize(key), &shape.statements, &shapeError, dialect))
            return adaptAsWritten(tsql, out, error, dialect);
        if (dialect == Dialect::SQLite)
            shape.templates = templatesOf(shape.statements);
        shapeCache().keep(key, dialect, shape);
    }
    *out = std::move(shape.statements);
    if (!literals.isEmpty())
        fillSlots(out, literals);
    fillParameters(out, shape.templates, literals);
    return true;
}

bool TsqlAdapter::adaptAsWritten(const QString& tsql, QVector<AdaptedStatement>* out, QString* error,
                                 Dialect dialect) {
    return adaptTokens(SqlTokenizer::tokenize(tsql), out, error, dialect);
}

void TsqlAdapter::clearShapes() {
    shapeCache().clear();
}

QString TsqlAdapter::parameterize(const QString& sql, QVariantList* values) {
    const ParameterTemplate form = parameterTemplate(SqlTokenizer::tokenize(sql), false);
    values->clear();
    for (const Parameter& p : form.parameters)
        values->append(p.value);
    return form.text;
}

QStringList TsqlAdapter::splitStatements(const QString& tsql) {
    QStringList out;
    for (const SqlTokens& statement : splitTokens(SqlTokenizer::tokenize(tsql)))
        out.append(SqlTokenizer::join(statement).trimmed());
    return out;
}
