#include "output/pages/ReportLayout.h"

#include "common/core/AppError.h"
#include "common/pages/Fonts.h"
#include "output/core/SheetExport.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPointsPerChar = 6.0; // one character unit of the grid at 9 pt
constexpr double kCellPadding = 2.0;   // points each side of a cell's text
constexpr int kMeasuredRows = 200;     // rows looked at for a column without a width

QFont reportFont(const QString& name, double size, bool bold) {
    // "宋体" is not installed everywhere; the CJK family that stands in for it is.
    const QString fallback = chineseFontFamily();
    QFont f(name.isEmpty() || name == QStringLiteral("宋体") ? (fallback.isEmpty() ? name : fallback) : name);
    f.setPointSizeF(size);
    f.setBold(bold);
    return f;
}

} // namespace

struct ReportLayout::Metrics {
    double unit = 1; // device pixels per point
    QRectF page;     // paintable area, painter coordinates
    QVector<double> headerLineHeights;
    QVector<double> footerLineHeights;
    double headerHeight = 0;
    double footerHeight = 0;
    double rowHeight = 0;
    QVector<double> colX; // left edge of each column, one more for the right edge
    int rowsPerPage = 1;
    int pages = 1;
};

ReportLayout::ReportLayout(const ReportDescription& report, const TableSource& table)
    : m_report(report), m_table(table), m_bodyFont(reportFont({}, Report::kDefaultFontSize, false)),
      m_headingFont(reportFont({}, Report::kDefaultFontSize, true)) {
    const QFontMetricsF fm(m_bodyFont);
    const double charWidth = fm.horizontalAdvance(QLatin1Char('0'));
    const int rows = std::min(m_table.rowCount(), kMeasuredRows);
    for (int c = 0; c < m_table.columnCount(); ++c) {
        double chars = m_table.widthChars(c);
        if (chars <= 0) {
            double widest = fm.horizontalAdvance(m_table.heading(c));
            for (int r = 0; r < rows; ++r)
                widest = std::max(widest, fm.horizontalAdvance(m_table.text(r, c)));
            chars = widest / charWidth + 1;
        }
        m_charWidths.append(chars);
    }
}

QFont ReportLayout::lineFont(const ReportTextLine& line) const {
    return reportFont(line.FontName, line.FontSize > 0 ? line.FontSize : Report::kDefaultFontSize,
                      line.Bold != 0);
}

double ReportLayout::naturalWidthPoints() const {
    double w = 0;
    for (double chars : m_charWidths)
        w += chars * kPointsPerChar;
    return w;
}

void ReportLayout::prepare(QPagedPaintDevice& device) const {
    const double m = m_report.layoutValue;
    device.setPageMargins(QMarginsF(m, m, m, m), QPageLayout::Point);
    QPageLayout portrait = device.pageLayout();
    portrait.setOrientation(QPageLayout::Portrait);
    const bool wide = naturalWidthPoints() > portrait.paintRect(QPageLayout::Point).width();
    device.setPageOrientation(wide ? QPageLayout::Landscape : QPageLayout::Portrait);
}

ReportLayout::Metrics ReportLayout::measure(QPagedPaintDevice& device) const {
    Metrics m;
    m.unit = device.logicalDpiY() / 72.0;
    const QRect paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
    m.page = QRectF(0, 0, paint.width(), paint.height());

    for (const ReportTextLine& line : m_report.lines) {
        QVector<double>& heights =
            line.Section == ReportTextLine::Footer ? m.footerLineHeights : m.headerLineHeights;
        if (line.LineNo < 1)
            continue;
        if (heights.size() < line.LineNo)
            heights.resize(line.LineNo);
        const double h = QFontMetricsF(lineFont(line), &device).height() * 1.2;
        heights[line.LineNo - 1] = std::max(heights[line.LineNo - 1], h);
    }
    for (double h : m.headerLineHeights)
        m.headerHeight += h;
    for (double h : m.footerLineHeights)
        m.footerHeight += h;
    m.headerHeight += 4 * m.unit;
    m.footerHeight += 4 * m.unit;

    m.rowHeight = QFontMetricsF(m_bodyFont, &device).height() + 2 * kCellPadding * m.unit;
    const double total = std::max(1.0, naturalWidthPoints());
    double x = 0;
    m.colX.append(0);
    for (double chars : m_charWidths) {
        x += chars * kPointsPerChar / total * m.page.width();
        m.colX.append(x);
    }
    const double body = m.page.height() - m.headerHeight - m.footerHeight - m.rowHeight;
    m.rowsPerPage = std::max(1, int(std::floor(body / m.rowHeight)));
    m.pages = std::max(1, (m_table.rowCount() + m.rowsPerPage - 1) / m.rowsPerPage);
    return m;
}

int ReportLayout::pageCount(QPagedPaintDevice& device) const {
    return measure(device).pages;
}

int ReportLayout::rowsPerPage(QPagedPaintDevice& device) const {
    return measure(device).rowsPerPage;
}

bool ReportLayout::paint(QPagedPaintDevice& device, const Progress& progress) const {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const bool done = paint(painter, device, progress);
    return painter.end() && done;
}

bool ReportLayout::paint(QPainter& painter, QPagedPaintDevice& device, const Progress& progress) const {
    const Metrics m = measure(device);
    const int rows = m_table.rowCount();
    const int cols = m_table.columnCount();
    const double pad = kCellPadding * m.unit;
    const QPen gridPen(Qt::black, 0.5 * m.unit);

    const auto drawLines = [&](int section, const QVector<double>& heights, double top, int page) {
        for (const ReportTextLine& line : m_report.lines) {
            if (line.Section != section || line.LineNo < 1 || line.LineNo > heights.size())
                continue;
            const QString text = Report::expandTokens(line.Text, m_report, page, m.pages);
            if (text.isEmpty())
                continue;
            double y = top;
            for (int i = 0; i < line.LineNo - 1; ++i)
                y += heights[i];
            const Qt::Alignment align = line.Align == ReportTextLine::Right    ? Qt::AlignRight
                                        : line.Align == ReportTextLine::Centre ? Qt::AlignHCenter
                                                                               : Qt::AlignLeft;
            painter.setFont(lineFont(line));
            painter.drawText(QRectF(0, y, m.page.width(), heights[line.LineNo - 1]), align | Qt::AlignVCenter,
                             text);
        }
    };
    const auto drawRow = [&](double y, const QFont& font, const std::function<QString(int)>& textOf) {
        painter.setFont(font);
        const QFontMetricsF fm(font, &device);
        for (int c = 0; c < cols; ++c) {
            const QRectF cell(m.colX[c], y, m.colX[c + 1] - m.colX[c], m.rowHeight);
            painter.drawRect(cell);
            QString text = textOf(c);
            if (text.isEmpty())
                continue;
            const double room = cell.width() - 2 * pad;
            if (fm.horizontalAdvance(text) > room)
                text = fm.elidedText(text, Qt::ElideRight, room);
            painter.drawText(cell.adjusted(pad, 0, -pad, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
        }
    };

    int row = 0;
    for (int page = 1; page <= m.pages; ++page) {
        if (page > 1 && !device.newPage())
            return false;
        drawLines(ReportTextLine::Header, m.headerLineHeights, 0, page);
        painter.setPen(gridPen);
        double y = m.headerHeight;
        drawRow(y, m_headingFont, [this](int c) { return m_table.heading(c); });
        y += m.rowHeight;
        const int last = std::min(rows, row + m.rowsPerPage);
        for (; row < last; ++row, y += m.rowHeight)
            drawRow(y, m_bodyFont, [this, row](int c) { return m_table.text(row, c); });
        painter.setPen(Qt::black);
        drawLines(ReportTextLine::Footer, m.footerLineHeights, m.page.height() - m.footerHeight + 4 * m.unit,
                  page);
        if (progress && !progress(row))
            return false;
    }
    return true;
}

bool writeReportPdf(const ReportDescription& report, const TableSource& table, const QString& path,
                    AppError* error, const ReportLayout::Progress& progress) {
    const QString temporary = AtomicFile::temporaryPathFor(path);
    bool painted = false;
    bool cancelled = false;
    const ReportLayout::Progress watch = [&](qint64 done) {
        cancelled = progress && !progress(done);
        return !cancelled;
    };
    {
        QPdfWriter pdf(temporary);
        pdf.setTitle(report.title);
        pdf.setCreator(report.operatorName);
        pdf.setResolution(600);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        const ReportLayout layout(report, table);
        layout.prepare(pdf);
        painted = layout.paint(pdf, watch);
    }
    if (!painted) {
        QFile::remove(temporary);
        if (error && !cancelled)
            *error = {75, QStringLiteral("无法写入PDF文件%1").arg(path), QStringLiteral("ReportLayout")};
        return false;
    }
    return AtomicFile::replace(temporary, path, error);
}
