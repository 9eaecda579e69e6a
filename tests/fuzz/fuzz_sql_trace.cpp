// Every statement the program sends goes through the trace when it is on: escaping must give
// the statement back, and a traced password must never show.
#include "FuzzSupport.h"
#include "db/SqlTrace.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString statement = Fuzz::text(data, size);
    const QString escaped = SqlTrace::escape(statement);
    Fuzz::check(!escaped.contains(u'\n') && !escaped.contains(u'\r') && !escaped.contains(u'\t'),
                "an escaped statement spans records");
    Fuzz::check(SqlTrace::unescape(escaped) == statement, "escaping loses the statement");
    const QString masked = SqlTrace::maskPasswords(statement);
    Fuzz::check(SqlTrace::maskPasswords(masked) == masked, "masking twice changes the text");
    // Text outside the quoted values is kept: only a value turns into ***.
    Fuzz::check(masked.count(u'\'') <= statement.count(u'\''), "masking adds quotes");
    const QString login = QStringLiteral("select * from userdb where username like 'u' and password like '") +
                          statement.left(40).remove(u'\'') + QStringLiteral("'");
    Fuzz::check(SqlTrace::maskPasswords(login).endsWith(QStringLiteral("password like '***'")),
                "a sign-in password shows in the trace");
    return 0;
}
