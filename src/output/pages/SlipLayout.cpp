#include "output/pages/SlipLayout.h"

#include "common/pages/Fonts.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

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
// Item columns and their share of the width.
const double kColumnWeights[] = {14, 30, 16, 8, 9, 11, 12};

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
    double mm = 1;    // device pixels per millimetre
    double width = 0; // paintable width and height
    double height = 0;
    double line = 0; // one text line
    double headHeight = 0;
    double footHeight = 0;
    double barcodeWidth = 0;
    int rowsPerPage = 1;
    int pages = 1;
};

SlipLayout::SlipLayout(const SlipDocument& slip, int fontSize)
    : m_slip(slip), m_font(slipFont(usableFontSize(fontSize), false)),
      m_bold(slipFont(usableFontSize(fontSize), true)), m_title(slipFont(usableFontSize(fontSize) + 3, true)),
      m_unit(slipFont(usableFontSize(fontSize) + 2, true)) {}

void SlipLayout::prepare(QPagedPaintDevice& device) const {
    device.setPageSize(QPageSize(QPageSize::A5));
    device.setPageOrientation(QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
}

SlipLayout::Metrics SlipLayout::measure(QPagedPaintDevice& device) const {
    Metrics m;
    m.mm = device.logicalDpiX() / 25.4;
    const QRect paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
    m.width = paint.width();
    m.height = paint.height();
    m.line = QFontMetricsF(m_font, &device).height() * 1.35;
    const double unitLine = QFontMetricsF(m_unit, &device).height() * 1.3;
    const double titleLine = QFontMetricsF(m_title, &device).height() * 1.4;
    const int patientLines = m_slip.inpatient ? 3 : 2;
    m.headHeight = unitLine + titleLine + std::max(kBarcodeHeightMm * m.mm + m.line, 2 * m.line) +
                   patientLines * m.line + m.line; // the last: the column headings
    m.footHeight = 3 * m.line;
    const int rows = int(m_slip.items.size());
    m.rowsPerPage = std::max(1, int((m.height - m.headHeight - m.footHeight) / m.line));
    m.pages = std::max(1, (rows + m.rowsPerPage - 1) / m.rowsPerPage);
    return m;
}

int SlipLayout::pageCount(QPagedPaintDevice& device) const {
    return measure(device).pages;
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
    double weights = 0;
    for (double w : kColumnWeights)
        weights += w;
    QVector<double> colX{0};
    for (double w : kColumnWeights)
        colX.append(colX.last() + w / weights * m.width);

    const auto text = [&](const QRectF& r, Qt::Alignment a, const QString& s, const QFont& f) {
        painter.setFont(f);
        const QFontMetricsF fm(f, &device);
        painter.drawText(r, a | Qt::AlignVCenter, fm.elidedText(s, Qt::ElideRight, r.width()));
    };
    const auto pair = [](const QString& label, const QString& value) {
        return label + QStringLiteral("：") + value;
    };

    int item = 0;
    for (int page = 1; page <= m.pages; ++page) {
        if (page > 1 && !device.newPage())
            return false;
        painter.setPen(Qt::black);
        double y = 0;
        const double unitLine = QFontMetricsF(m_unit, &device).height() * 1.3;
        text(QRectF(0, y, m.width, unitLine), Qt::AlignHCenter, m_slip.unitName, m_unit);
        y += unitLine;
        const double titleLine = QFontMetricsF(m_title, &device).height() * 1.4;
        text(QRectF(0, y, m.width, titleLine), Qt::AlignHCenter, SlipTitle(m_slip.inpatient), m_title);
        y += titleLine;

        // Number block: texts on the left, the barcode on the right with the number under it.
        const double codeHeight = kBarcodeHeightMm * m.mm;
        const double codeWidth = std::min(m.width * 0.55, 140 * kModuleMm * m.mm);
        const QRectF code(m.width - codeWidth, y, codeWidth, codeHeight);
        drawCode128(painter, code, m_slip.dh); // a number that cannot be encoded is still written
        text(QRectF(code.left(), y + codeHeight, codeWidth, m.line), Qt::AlignHCenter, m_slip.dh, m_font);
        const double left = m.width - codeWidth - 2 * m.mm;
        text(QRectF(0, y, left, m.line), Qt::AlignLeft, pair(QStringLiteral("单号"), m_slip.dh), m_bold);
        if (!m_slip.execNo.isEmpty())
            text(QRectF(0, y + m.line, left, m.line), Qt::AlignLeft,
                 pair(QStringLiteral("执行单号"), m_slip.execNo), m_font);
        y += std::max(codeHeight + m.line, 2 * m.line);

        const double third = m.width / 3;
        text(QRectF(0, y, third, m.line), Qt::AlignLeft, pair(QStringLiteral("姓名"), m_slip.xm), m_font);
        text(QRectF(third, y, third, m.line), Qt::AlignLeft, pair(QStringLiteral("性别"), m_slip.xb), m_font);
        text(QRectF(2 * third, y, third, m.line), Qt::AlignLeft, pair(QStringLiteral("年龄"), m_slip.nl),
             m_font);
        y += m.line;
        text(QRectF(0, y, third, m.line), Qt::AlignLeft, pair(QStringLiteral("医生"), m_slip.kdys), m_font);
        text(QRectF(third, y, 2 * third, m.line), Qt::AlignLeft, pair(QStringLiteral("时间"), m_slip.kdsj),
             m_font);
        y += m.line;
        if (m_slip.inpatient) {
            text(QRectF(0, y, third, m.line), Qt::AlignLeft, pair(QStringLiteral("住院号"), m_slip.zyh),
                 m_font);
            text(QRectF(third, y, third, m.line), Qt::AlignLeft, pair(QStringLiteral("床位号"), m_slip.cwh),
                 m_font);
            y += m.line;
        }

        // Items under a ruled heading row.
        const QPen rule(Qt::black, 0.2 * m.mm);
        painter.setPen(rule);
        painter.drawLine(QPointF(0, y), QPointF(m.width, y));
        painter.setPen(Qt::black);
        const double pad = 0.8 * m.mm;
        for (int c = 0; c < headings.size(); ++c)
            text(QRectF(colX[c] + pad, y, colX[c + 1] - colX[c] - 2 * pad, m.line),
                 c >= 4 ? Qt::AlignRight : Qt::AlignLeft, headings[c], m_bold);
        y += m.line;
        painter.setPen(rule);
        painter.drawLine(QPointF(0, y), QPointF(m.width, y));
        painter.setPen(Qt::black);
        const int last = std::min(int(m_slip.items.size()), item + m.rowsPerPage);
        for (; item < last; ++item, y += m.line) {
            const SlipItem& it = m_slip.items.at(item);
            const QString cells[] = {it.code, it.name, it.spec, it.unit, it.quantity, it.price, it.amount};
            for (int c = 0; c < 7; ++c)
                text(QRectF(colX[c] + pad, y, colX[c + 1] - colX[c] - 2 * pad, m.line),
                     c >= 4 ? Qt::AlignRight : Qt::AlignLeft, cells[c], m_font);
        }
        painter.setPen(rule);
        painter.drawLine(QPointF(0, y), QPointF(m.width, y));
        painter.setPen(Qt::black);

        const double footTop = m.height - m.footHeight;
        if (page == m.pages) {
            text(QRectF(0, y, m.width - pad, m.line), Qt::AlignRight,
                 pair(QStringLiteral("合计"), m_slip.total), m_bold);
            text(QRectF(0, footTop + m.line, third, m.line), Qt::AlignLeft,
                 pair(QStringLiteral("执行人"), m_slip.executor), m_font);
            text(QRectF(third, footTop + m.line, third, m.line), Qt::AlignLeft,
                 pair(QStringLiteral("复核人"), m_slip.checker), m_font);
        }
        text(QRectF(0, footTop + 2 * m.line, m.width, m.line), Qt::AlignLeft,
             pair(QStringLiteral("打印时间"), m_slip.printTime), m_font);
        if (m.pages > 1)
            text(QRectF(0, footTop + 2 * m.line, m.width, m.line), Qt::AlignRight,
                 QStringLiteral("第 %1 页 共 %2 页").arg(page).arg(m.pages), m_font);
    }
    return true;
}
