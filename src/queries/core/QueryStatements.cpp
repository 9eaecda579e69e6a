#include "queries/core/QueryStatements.h"

#include "db/StatementHelpers.h"

namespace QuerySql {

namespace {

QString dayStart(const QDate& d) {
    return d.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}

QString dayEnd(const QDate& d) {
    return d.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 23:59:59");
}

} // namespace

QString UserPattern(const QString& comboText) {
    if (comboText.isEmpty() || comboText == QStringLiteral("全部"))
        return QStringLiteral("%");
    return comboText;
}

QString executedByDate(const QString& dept, const QString& executor, const QString& checker,
                       const QDate& from, const QDate& to) {
    return QStringLiteral("Select * FROM MZ_YJZX Where SFZF=0 AND  KSMC Like") + SqlText(dept) +
           QStringLiteral(" AND ZXR Like") + SqlText(executor) + QStringLiteral(" AND FHR Like") +
           SqlText(checker) + QStringLiteral(" AND ZXSJ Between ") + SqlText(dayStart(from)) +
           QStringLiteral(" And ") + SqlText(dayEnd(to));
}

QString executedByNumber(const QString& dept, const QString& dh) {
    return QStringLiteral("Select * FROM MZ_YJZX Where SFZF=0 AND  KSMC Like") + SqlText(dept) +
           QStringLiteral(" AND DH Like'") + SqlEscape(dh) + QStringLiteral("%'");
}

QString voidedByDate(const QString& dept, const QString& voidedBy, const QDate& from, const QDate& to) {
    return QStringLiteral("Select * FROM MZ_YJZX Where SFZF=1 AND  KSMC Like") + SqlText(dept) +
           QStringLiteral(" AND ZFR Like") + SqlText(voidedBy) + QStringLiteral(" AND ZFRQ Between ") +
           SqlText(dayStart(from)) + QStringLiteral(" And ") + SqlText(dayEnd(to));
}

QString users() {
    return QStringLiteral("select username from userdb");
}

} // namespace QuerySql
