#include "common/core/InputText.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

bool ReadsAsDate(const QString& text) {
    // Year first, as the Chinese regional format writes it; a time may follow after blanks.
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4})(?:([-/])(\\d{1,2})\\2(\\d{1,2})|年(\\d{1,2})月(\\d{1,2})日?)"
                       "(?:\\s+(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?$"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    const bool dashed = !m.captured(2).isEmpty();
    const int year = m.captured(1).toInt();
    const int month = (dashed ? m.captured(3) : m.captured(5)).toInt();
    const int day = (dashed ? m.captured(4) : m.captured(6)).toInt();
    if (!QDate::isValid(year, month, day))
        return false;
    if (m.captured(7).isEmpty())
        return true;
    return QTime::isValid(m.captured(7).toInt(), m.captured(8).toInt(), m.captured(9).toInt());
}

QString CleanInputText(const QString& text) {
    if (text.size() > 7 && ReadsAsDate(text))
        return text;
    QString out = text.trimmed();
    out.remove(QLatin1Char('\''));
    out.remove(QLatin1Char('\n'));
    out.remove(QLatin1Char('\r'));
    out.remove(QLatin1Char(' '));
    return out;
}
