#pragma once

#include <QString>

#include <array>

// One fixed text of a report page's header or footer. Texts may hold the tokens "{报表名}",
// "{单位名称}", "{统计日期}", "{页码}" and "{空行}", replaced when a page is laid out.
struct ReportTextLine {
    enum Section { Header = 0, Footer = 1 };
    enum Align { Left = 0, Right = 1, Centre = 2 };
    qint32 Section = Header;
    qint32 Align = Left;
    qint32 LineNo = 1; // line within the section, from 1
    QString Text;
    QString FontName;    // empty: the report's default font
    qint32 FontSize = 0; // 0: the report's default size
    qint32 Bold = 0;     // -1 bold, 0 normal
};

struct ReportParam {
    QString Name;
    QString Value;
};

// Everything a grid report hands to the page layout besides the table itself.
struct ReportDescription {
    std::array<ReportTextLine, 9> lines;
    ReportParam param;
    QString title;
    QString unitName;
    QString operatorName;
    int layoutValue = 45; // page margins in points
    bool printerOption = false;
};

// The arguments of a grid print as the windows give them.
struct GridReportArgs {
    QString title;
    bool printerOption = false;
    QString unitName; // empty: the program's unit name
    QString startDate;
    QString endDate;
    QString makerText;
    QString printDateText;
    QString extraHeader;
    qint16 layoutValue = 0; // 0: the default 45
};

namespace Report {
inline const QString kDateParam = QStringLiteral("统计日期");
constexpr int kDefaultLayoutValue = 45;
constexpr int kDefaultFontSize = 9;

// The nine lines, the "统计日期" parameter and the hand-over values of every grid print.
// `hospitalName` and `operatorName` are the program-wide unit name and signed-in user.
ReportDescription describeGridReport(const GridReportArgs& args, const QString& hospitalName,
                                     const QString& operatorName);

// The text of `line` with its tokens replaced; "{空行}" leaves an empty text.
QString expandTokens(const QString& text, const ReportDescription& report, int page, int pageCount);
// The text that "{页码}" becomes.
QString pageNumberText(int page, int pageCount);
} // namespace Report
