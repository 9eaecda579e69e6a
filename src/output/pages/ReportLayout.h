#pragma once

#include "common/core/AppError.h"
#include "output/core/ReportDescription.h"
#include "output/core/TableSource.h"

#include <QFont>
#include <QVector>

#include <functional>

class QPagedPaintDevice;
class QPainter;

// Lays a table out as report pages under the description's header and footer lines: the
// title and header lines on every page, then the column headings, as many rows as fit, and
// the footer lines at the bottom. Column widths follow the table's widths, scaled to fill the
// page width; the page turns to landscape when the columns need it.
class ReportLayout {
public:
    // Told the rows drawn so far; answering false stops the job.
    using Progress = std::function<bool(qint64 done)>;

    ReportLayout(const ReportDescription& report, const TableSource& table);

    // Sets the margins (the layout value, in points) and the orientation the columns need.
    void prepare(QPagedPaintDevice& device) const;
    // Draws every page onto a device whose painting has not begun. False when the painter
    // could not start on the device or the progress answered false.
    bool paint(QPagedPaintDevice& device, const Progress& progress = {}) const;
    // The same on a painter already active on `device`.
    bool paint(QPainter& painter, QPagedPaintDevice& device, const Progress& progress = {}) const;

    // The page count and rows of a full page for the device as it is set up now.
    int pageCount(QPagedPaintDevice& device) const;
    int rowsPerPage(QPagedPaintDevice& device) const;

    // Width of the columns at their own widths, in points (for the orientation choice).
    double naturalWidthPoints() const;

private:
    struct Metrics;
    Metrics measure(QPagedPaintDevice& device) const;
    QFont lineFont(const ReportTextLine& line) const;

    const ReportDescription& m_report;
    const TableSource& m_table;
    QFont m_bodyFont;
    QFont m_headingFont;
    QVector<double> m_charWidths; // each column's width in the table's character units
};

// Writes the report as an A4 PDF file, atomically (the complete file or none). False when it
// failed (`error` set) or the progress answered false (`error` left empty).
bool writeReportPdf(const ReportDescription& report, const TableSource& table, const QString& path,
                    AppError* error, const ReportLayout::Progress& progress = {});
