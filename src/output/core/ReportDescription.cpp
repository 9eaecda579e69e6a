#include "output/core/ReportDescription.h"

namespace Report {

namespace {
const QString kSongTi = QStringLiteral("宋体");

ReportTextLine line(qint32 section, qint32 align, qint32 lineNo, const QString& text,
                    const QString& font = {}, qint32 size = 0, bool bold = false) {
    ReportTextLine l;
    l.Section = section;
    l.Align = align;
    l.LineNo = lineNo;
    l.Text = text;
    l.FontName = font;
    l.FontSize = size;
    l.Bold = bold ? -1 : 0;
    return l;
}
} // namespace

ReportDescription describeGridReport(const GridReportArgs& args, const QString& hospitalName,
                                     const QString& operatorName) {
    using L = ReportTextLine;
    ReportDescription r;
    const QString dateText =
        args.startDate.trimmed().isEmpty() ? QString() : QStringLiteral("日期：{统计日期}");
    r.lines = {
        line(L::Header, L::Centre, 1, QStringLiteral("{报表名}"), kSongTi, 16, true),
        line(L::Header, L::Left, 2, QStringLiteral("{空行}")),
        line(L::Header, L::Centre, 3, QStringLiteral("{空行}")),
        line(L::Header, L::Left, 4, QStringLiteral("{单位名称}"), kSongTi, 9),
        line(L::Header, L::Right, 4, dateText, kSongTi, 9),
        line(L::Footer, L::Left, 1, args.makerText, kSongTi, 9),
        line(L::Footer, L::Centre, 1, QStringLiteral("{页码}"), kSongTi, 9),
        line(L::Footer, L::Right, 1, args.printDateText, kSongTi, 9),
        line(L::Header, L::Centre, 4, args.extraHeader, kSongTi, 9),
    };
    r.param = {kDateParam, args.startDate + QStringLiteral(" 到 ") + args.endDate};
    r.layoutValue = args.layoutValue != 0 ? args.layoutValue : kDefaultLayoutValue;
    r.unitName = !args.unitName.isEmpty() ? args.unitName : hospitalName;
    r.printerOption = args.printerOption;
    r.operatorName = operatorName;
    r.title = args.title;
    return r;
}

QString pageNumberText(int page, int pageCount) {
    return QStringLiteral("第 %1 页 共 %2 页").arg(page).arg(pageCount);
}

QString expandTokens(const QString& text, const ReportDescription& report, int page, int pageCount) {
    if (!text.contains(QLatin1Char('{')))
        return text;
    const std::pair<QString, QString> tokens[] = {
        {QStringLiteral("{报表名}"), report.title},
        {QStringLiteral("{单位名称}"), report.unitName},
        {QStringLiteral("{统计日期}"), report.param.Name == kDateParam ? report.param.Value : QString()},
        {QStringLiteral("{页码}"), pageNumberText(page, pageCount)},
        {QStringLiteral("{空行}"), QString()},
    };
    // One pass over the text as written: a value that itself holds a token (a title such as
    // "{页码}统计") is shown as it stands, not filled in again.
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        bool replaced = false;
        if (text.at(i) == QLatin1Char('{')) {
            for (const auto& [token, value] : tokens) {
                if (QStringView(text).sliced(i).startsWith(token)) {
                    out += value;
                    i += token.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += text.at(i++);
    }
    return out;
}

} // namespace Report
