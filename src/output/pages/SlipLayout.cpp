#include "output/pages/SlipLayout.h"

#include "common/pages/Fonts.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>

#include <zint.h>

#include <algorithm>
#include <memory>

namespace {

constexpr double kMarginMm = 8;
constexpr double kBarcodeHeightMm = 11;
constexpr double kModuleMm = 0.33; // narrowest bar: readable by hand scanners and on 300 dpi copies
// A font size typed into ORVA.ini beyond what an A5 page can hold ("2147483647") prints at
// the usual size.
constexpr int kUsualFontSize = 9;
constexpr int kLargestFontSize = 72;
// The smallest size a larger one is reduced to; a smaller size typed into ORVA.ini is kept.
constexpr double kSmallestFittedSize = 6;
constexpr double kSizeStep = 0.5;
constexpr int kColumns = 7;
// Item name and strength (品名, 规格) wrap and share what the other columns leave by these weights; code,
// unit, quantity, price and amount are printed on one line at their own width.
constexpr int kWrappingColumns = 2;
constexpr int kWrapping[kWrappingColumns] = {1, 2};
const double kWrapWeights[kWrappingColumns] = {30, 16};

bool wraps(int column) {
    return column == kWrapping[0] || column == kWrapping[1];
}

int usableFontSize(int size) {
    return size >= 1 && size <= kLargestFontSize ? size : kUsualFontSize;
}

QFont slipFont(double size, bool bold) {
    const QString family = chineseFontFamily();
    QFont f(family.isEmpty() ? QStringLiteral("宋体") : family);
    f.setPointSizeF(size);
    f.setBold(bold);
    return f;
}

// `text` broken into lines no wider than `width`: at word boundaries, else anywhere (Chinese
// names have no blanks).
QStringList wrapped(const QString& text, const QFont& font, double width, QPaintDevice* device) {
    QTextLayout layout(text, font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        QString part = text.mid(line.textStart(), line.textLength());
        while (part.endsWith(QLatin1Char(' ')))
            part.chop(1);
        lines.append(part);
    }
    layout.endLayout();
    return lines.isEmpty() ? QStringList{QString()} : lines;
}

QString pair(const QString& label, const QString& value) {
    return label + QStringLiteral("：") + value;
}

QStringList columnHeadings() {
    return {QStringLiteral("编码"), QStringLiteral("品名"), QStringLiteral("规格"), QStringLiteral("单位"),
            QStringLiteral("数量"), QStringLiteral("单价"), QStringLiteral("金额")};
}

} // namespace

bool drawCode128(QPainter& painter, const QRectF& area, const QString& text) {
    const std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbol(ZBarcode_Create(),
                                                                          &ZBarcode_Delete);
    if (!symbol)
        return false;
    symbol->symbology = BARCODE_CODE128;
    symbol->show_hrt = 0; // the number is written as text beside the bars
    const QByteArray data = text.toLatin1();
    if (ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()),
                        int(data.size())) >= 5 ||
        ZBarcode_Buffer_Vector(symbol.get(), 0) >= 5 || !symbol->vector)
        return false;
    const zint_vector* v = symbol->vector;
    const double sx = area.width() / v->width;
    const double sy = area.height() / v->height;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const zint_vector_rect* r = v->rectangles; r; r = r->next)
        painter.drawRect(
            QRectF(area.left() + r->x * sx, area.top() + r->y * sy, r->width * sx, r->height * sy));
    painter.restore();
    return true;
}

struct SlipLayout::Metrics {
    double size = 0; // point size of the body text
    QFont font, bold, title, unit;
    double mm = 1;    // device pixels per millimetre
    double width = 0; // paintable width and height
    double height = 0;
    double line = 0;    // one text line of a row
    double spacing = 0; // each further line of a wrapped cell
    double unitLine = 0;
    double titleLine = 0;
    double pad = 0; // inside a cell, left and right
    double codeWidth = 0;
    double headHeight = 0;
    double footHeight = 0;
    QVector<double> colX;                // left edge of every column, and the right edge
    QVector<QVector<QStringList>> cells; // every item's cells, broken into lines
    QVector<double> rowHeights;
    QVector<int> pageStarts; // first item of every page
};

SlipLayout::SlipLayout(const SlipDocument& slip, int fontSize)
    : m_slip(slip), m_fontSize(usableFontSize(fontSize)) {}

void SlipLayout::prepare(QPagedPaintDevice& device) const {
    device.setPageSize(QPageSize(QPageSize::A5));
    device.setPageOrientation(QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
}

// Lays the slip out at `size`; false when a cell or a heading text would not fit whole.
bool SlipLayout::measureAt(double size, QPagedPaintDevice& device, Metrics* out) const {
    Metrics m;
    m.size = size;
    m.font = slipFont(size, false);
    m.bold = slipFont(size, true);
    m.title = slipFont(size + 3, true);
    m.unit = slipFont(size + 2, true);
    m.mm = device.logicalDpiX() / 25.4;
    const QRect paintRect = device.pageLayout().paintRectPixels(device.logicalDpiX());
    m.width = paintRect.width();
    m.height = paintRect.height();
    const QFontMetricsF fm(m.font, &device);
    const QFontMetricsF fb(m.bold, &device);
    m.line = fm.height() * 1.35;
    m.spacing = fm.lineSpacing();
    m.unitLine = QFontMetricsF(m.unit, &device).height() * 1.3;
    m.titleLine = QFontMetricsF(m.title, &device).height() * 1.4;
    m.pad = 0.8 * m.mm;
    m.codeWidth = std::min(m.width * 0.55, 140 * kModuleMm * m.mm);
    bool fits = true;
    const auto within = [&](const QFontMetricsF& metrics, const QString& text, double width) {
        fits = fits && metrics.horizontalAdvance(text) <= width;
    };

    // Columns: the one-line columns at their widest cell, the wrapping ones share the rest in
    // proportion to their widest cell, none narrower than its heading.
    const QStringList headings = columnHeadings();
    const auto cellText = [](const SlipItem& it, int c) {
        const QString cells[kColumns] = {it.code,     it.name,  it.spec,  it.unit,
                                         it.quantity, it.price, it.amount};
        return cells[c];
    };
    const double slack = 0.3 * m.mm;
    double natural[kColumns];
    double least[kColumns];
    for (int c = 0; c < kColumns; ++c) {
        natural[c] = fb.horizontalAdvance(headings[c]);
        for (const SlipItem& it : m_slip.items)
            natural[c] = std::max(natural[c], fm.horizontalAdvance(cellText(it, c)));
        natural[c] += 2 * m.pad + slack;
        least[c] =
            std::max(fb.horizontalAdvance(headings[c]), 2 * fm.horizontalAdvance(QStringLiteral("中"))) +
            2 * m.pad + slack;
    }
    double widths[kColumns];
    double left = m.width;
    for (int c = 0; c < kColumns; ++c) {
        if (!wraps(c)) {
            widths[c] = natural[c];
            left -= natural[c];
        }
    }
    double wrapNatural = 0;
    for (int c : kWrapping)
        wrapNatural += natural[c];
    if (wrapNatural <= left) {
        double weights = 0;
        for (double w : kWrapWeights)
            weights += w;
        for (int i = 0; i < kWrappingColumns; ++i)
            widths[kWrapping[i]] = natural[kWrapping[i]] + (left - wrapNatural) * kWrapWeights[i] / weights;
    } else {
        // In proportion to their widest cell, none narrower than its least width.
        bool atLeast[kWrappingColumns] = {};
        for (int round = 0; round < kWrappingColumns; ++round) {
            double share = left, shared = 0;
            for (int i = 0; i < kWrappingColumns; ++i) {
                if (atLeast[i])
                    share -= least[kWrapping[i]];
                else
                    shared += natural[kWrapping[i]];
            }
            bool changed = false;
            for (int i = 0; i < kWrappingColumns; ++i) {
                const int c = kWrapping[i];
                if (atLeast[i])
                    continue;
                widths[c] = shared > 0 ? natural[c] * share / shared : least[c];
                if (widths[c] < least[c]) {
                    widths[c] = least[c];
                    atLeast[i] = changed = true;
                }
            }
            if (!changed)
                break;
        }
    }
    m.colX = {0};
    for (double w : widths)
        m.colX.append(m.colX.last() + w);
    fits = fits && m.colX.last() <= m.width + 1;

    // Rows: as high as their longest wrapped cell.
    for (const SlipItem& it : m_slip.items) {
        QVector<QStringList> row;
        int lines = 1;
        for (int c = 0; c < kColumns; ++c) {
            row.append(wraps(c) ? wrapped(cellText(it, c), m.font, widths[c] - 2 * m.pad, &device)
                                : QStringList{cellText(it, c)});
            lines = std::max(lines, int(row.last().size()));
        }
        m.cells.append(row);
        m.rowHeights.append(m.line + (lines - 1) * m.spacing);
    }

    // The heading and footing texts on one line each.
    within(QFontMetricsF(m.unit, &device), m_slip.unitName, m.width);
    const double numberWidth = m.width - m.codeWidth - 2 * m.mm;
    within(fb, pair(QStringLiteral("单号"), m_slip.dh), numberWidth);
    within(fm, pair(QStringLiteral("执行单号"), m_slip.execNo), numberWidth);
    if (m_slip.voided) {
        within(fm, pair(QStringLiteral("作废人"), m_slip.voidedBy), m.codeWidth);
        within(fm, pair(QStringLiteral("作废时间"), m_slip.voidedAt), m.codeWidth);
    }
    const double third = m.width / 3;
    for (const QString& text :
         {pair(QStringLiteral("姓名"), m_slip.xm), pair(QStringLiteral("性别"), m_slip.xb),
          pair(QStringLiteral("年龄"), m_slip.nl), pair(QStringLiteral("医生"), m_slip.kdys),
          pair(QStringLiteral("住院号"), m_slip.zyh), pair(QStringLiteral("床位号"), m_slip.cwh),
          pair(QStringLiteral("执行人"), m_slip.executor), pair(QStringLiteral("复核人"), m_slip.checker)})
        within(fm, text, third);
    within(fm, pair(QStringLiteral("时间"), m_slip.kdsj), 2 * third);

    const int patientLines = m_slip.inpatient ? 3 : 2;
    m.headHeight = m.unitLine + m.titleLine + std::max(kBarcodeHeightMm * m.mm + m.line, 2 * m.line) +
                   patientLines * m.line + m.line; // the last: the column headings
    m.footHeight = 3 * m.line;
    const double body = m.height - m.headHeight - m.footHeight;
    m.pageStarts = {0};
    double used = 0;
    for (int i = 0; i < m.rowHeights.size(); ++i) {
        if (used > 0 && used + m.rowHeights[i] > body) {
            m.pageStarts.append(i);
            used = 0;
        }
        used += m.rowHeights[i];
    }
    *out = std::move(m);
    return fits;
}

SlipLayout::Metrics SlipLayout::measure(QPagedPaintDevice& device) const {
    Metrics m;
    const double smallest = std::min(kSmallestFittedSize, m_fontSize);
    for (double size = m_fontSize; !measureAt(size, device, &m) && size - kSizeStep >= smallest;
         size -= kSizeStep) {
    }
    return m;
}

int SlipLayout::pageCount(QPagedPaintDevice& device) const {
    return int(measure(device).pageStarts.size());
}

double SlipLayout::fittedFontSize(QPagedPaintDevice& device) const {
    return measure(device).size;
}

bool SlipLayout::paint(QPagedPaintDevice& device) const {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const bool drawn = paint(painter, device);
    return painter.end() && drawn;
}

bool SlipLayout::paint(QPainter& painter, QPagedPaintDevice& device) const {
    const Metrics m = measure(device);
    const QStringList headings = columnHeadings();
    const int pages = int(m.pageStarts.size());

    // Texts of the heading part stay on their line; only a value too long at the smallest size
    // is shortened there.
    const auto text = [&](const QRectF& r, Qt::Alignment a, const QString& s, const QFont& f) {
        painter.setFont(f);
        const QFontMetricsF fm(f, &device);
        painter.drawText(r, a | Qt::AlignVCenter, fm.elidedText(s, Qt::ElideRight, r.width()));
    };
    const auto rule = [&](double y) {
        painter.setPen(QPen(Qt::black, 0.2 * m.mm));
        painter.drawLine(QPointF(0, y), QPointF(m.width, y));
        painter.setPen(Qt::black);
    };
    const auto cellRect = [&](int c, double y, double height) {
        return QRectF(m.colX[c] + m.pad, y, m.colX[c + 1] - m.colX[c] - 2 * m.pad, height);
    };
    const auto alignment = [](int c) { return c >= 4 ? Qt::AlignRight : Qt::AlignLeft; };

    for (int page = 1; page <= pages; ++page) {
        if (page > 1 && !device.newPage())
            return false;
        painter.setPen(Qt::black);
        double y = 0;
        text(QRectF(0, y, m.width, m.unitLine), Qt::AlignHCenter, m_slip.unitName, m.unit);
        y += m.unitLine;
        text(QRectF(0, y, m.width, m.titleLine), Qt::AlignHCenter, SlipTitle(m_slip.inpatient), m.title);
        y += m.titleLine;

        // Number block: texts on the left; on the right the barcode with the number under it, or
        // for a voided document who voided it and when.
        const double codeHeight = kBarcodeHeightMm * m.mm;
        const QRectF code(m.width - m.codeWidth, y, m.codeWidth, codeHeight);
        if (m_slip.voided) {
            text(QRectF(code.left(), y, m.codeWidth, m.line), Qt::AlignLeft,
                 pair(QStringLiteral("作废人"), m_slip.voidedBy), m.font);
            text(QRectF(code.left(), y + m.line, m.codeWidth, m.line), Qt::AlignLeft,
                 pair(QStringLiteral("作废时间"), m_slip.voidedAt), m.font);
        } else {
            drawCode128(painter, code, m_slip.dh); // a number that cannot be encoded is still written
            text(QRectF(code.left(), y + codeHeight, m.codeWidth, m.line), Qt::AlignHCenter, m_slip.dh,
                 m.font);
        }
        const double left = m.width - m.codeWidth - 2 * m.mm;
        text(QRectF(0, y, left, m.line), Qt::AlignLeft, pair(QStringLiteral("单号"), m_slip.dh), m.bold);
        if (!m_slip.execNo.isEmpty())
            text(QRectF(0, y + m.line, left, m.line), Qt::AlignLeft,
                 pair(QStringLiteral("执行单号"), m_slip.execNo), m.font);
        y += std::max(codeHeight + m.line, 2 * m.line);

        const double third = m.width / 3;
        text(QRectF(0, y, third, m.line), Qt::AlignLeft, pair(QStringLiteral("姓名"), m_slip.xm), m.font);
        text(QRectF(third, y, third, m.line), Qt::AlignLeft, pair(QStringLiteral("性别"), m_slip.xb), m.font);
        text(QRectF(2 * third, y, third, m.line), Qt::AlignLeft, pair(QStringLiteral("年龄"), m_slip.nl),
             m.font);
        y += m.line;
        text(QRectF(0, y, third, m.line), Qt::AlignLeft, pair(QStringLiteral("医生"), m_slip.kdys), m.font);
        text(QRectF(third, y, 2 * third, m.line), Qt::AlignLeft, pair(QStringLiteral("时间"), m_slip.kdsj),
             m.font);
        y += m.line;
        if (m_slip.inpatient) {
            text(QRectF(0, y, third, m.line), Qt::AlignLeft, pair(QStringLiteral("住院号"), m_slip.zyh),
                 m.font);
            text(QRectF(third, y, third, m.line), Qt::AlignLeft, pair(QStringLiteral("床位号"), m_slip.cwh),
                 m.font);
            y += m.line;
        }

        // Items under a ruled heading row; a wrapped cell's lines one under the other.
        rule(y);
        painter.setFont(m.bold);
        for (int c = 0; c < kColumns; ++c)
            painter.drawText(cellRect(c, y, m.line), alignment(c) | Qt::AlignVCenter, headings[c]);
        y += m.line;
        rule(y);
        painter.setFont(m.font);
        const int first = m.pageStarts[page - 1];
        const int last = page < pages ? m.pageStarts[page] : int(m.cells.size());
        for (int item = first; item < last; ++item) {
            for (int c = 0; c < kColumns; ++c) {
                const QStringList& lines = m.cells[item][c];
                for (int l = 0; l < lines.size(); ++l)
                    painter.drawText(cellRect(c, y + l * m.spacing, m.line), alignment(c) | Qt::AlignVCenter,
                                     lines[l]);
            }
            y += m.rowHeights[item];
        }
        rule(y);

        const double footTop = m.height - m.footHeight;
        if (page == pages) {
            text(QRectF(0, y, m.width - m.pad, m.line), Qt::AlignRight,
                 pair(QStringLiteral("合计"), m_slip.total), m.bold);
            text(QRectF(0, footTop + m.line, third, m.line), Qt::AlignLeft,
                 pair(QStringLiteral("执行人"), m_slip.executor), m.font);
            text(QRectF(third, footTop + m.line, third, m.line), Qt::AlignLeft,
                 pair(QStringLiteral("复核人"), m_slip.checker), m.font);
        }
        text(QRectF(0, footTop + 2 * m.line, m.width, m.line), Qt::AlignLeft,
             pair(QStringLiteral("打印时间"), m_slip.printTime), m.font);
        if (pages > 1)
            text(QRectF(0, footTop + 2 * m.line, m.width, m.line), Qt::AlignRight,
                 QStringLiteral("第 %1 页 共 %2 页").arg(page).arg(pages), m.font);

        if (m_slip.voided) {
            // Across the page, over everything, still letting the items show through.
            painter.save();
            painter.translate(m.width / 2, m.height / 2);
            painter.rotate(-30);
            painter.setFont(slipFont(72, true));
            painter.setPen(QColor(200, 0, 0, 110));
            painter.drawText(QRectF(-m.width, -m.height / 4, 2 * m.width, m.height / 2), Qt::AlignCenter,
                             QStringLiteral("作废"));
            painter.restore();
        }
    }
    return true;
}
