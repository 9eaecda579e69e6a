#include "tools/core/GET_NL.h"

#include "common/core/Clock.h"
#include "tools/core/LunarTable.h"
#include "tools/core/LunarTexts.h"

#include <QRegularExpression>
#include <QTime>

namespace {

const QString kSource = QStringLiteral("GET_NL");

AppError outsideTable() {
    return AppError{9, QStringLiteral("下标越界"), kSource};
}

AppError notADate() {
    return AppError{13, QStringLiteral("类型不匹配"), kSource};
}

} // namespace

QDate ParseCalendarDate(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*(\d{4})\s*[-/.年]\s*(\d{1,2})\s*[-/.月]\s*(\d{1,2})\s*日?)"
                       R"((?:\s+(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?\s*$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return {};
    if (match.hasCaptured(4) &&
        !QTime(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt()).isValid())
        return {};
    return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}

bool LunarLineOf(const QDate& date, QString* line, AppError* error) {
    const std::optional<LunarDate> lunar = LunarTable::toLunar(date);
    if (!lunar) {
        if (error)
            *error = outsideTable();
        return false;
    }
    const QString monthDay = LunarTexts::monthDayText(*lunar);
    // The long date and weekday follow the regional formats that start-up writes.
    *line = date.toString(QStringLiteral("yyyy-MM-dd")) + u' ' + LunarTexts::weekdayName(date) +
            QStringLiteral("  ") + LunarTexts::yearText(lunar->year) + monthDay + QStringLiteral("  ") +
            LunarTexts::gregorianFestival(date) + QStringLiteral("  ") + LunarTexts::lunarFestival(monthDay);
    return true;
}

bool LunarShortFormOf(const QString& dateText, QString* text, AppError* error) {
    const QDate date = ParseCalendarDate(dateText);
    if (!date.isValid()) {
        if (error)
            *error = notADate();
        return false;
    }
    const std::optional<LunarDate> lunar = LunarTable::toLunar(date);
    if (!lunar) {
        if (error)
            *error = outsideTable();
        return false;
    }
    *text = LunarTexts::shortText(*lunar);
    return true;
}

QString lunarStatusLine(const QDate& date, AppError* error) {
    QString line;
    if (!LunarLineOf(date, &line, error))
        return {};
    return line;
}

QString GET_NL::operator()(const QString& DateSTR, AppError* error) const {
    if (DateSTR.isEmpty())
        return lunarStatusLine(Clock::today(), error);
    QString text;
    if (!LunarShortFormOf(DateSTR, &text, error))
        return {};
    return text;
}
