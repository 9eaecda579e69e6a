#include "output/core/SheetWriter.h"

#include "output/core/XlsWriter.h"
#include "output/core/XlsxWriter.h"

#include <QDateTime>

#include <cmath>

SheetFormat sheetFormatOf(const QString& path) {
    if (path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        return SheetFormat::Xlsx;
    if (path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        return SheetFormat::Csv;
    return SheetFormat::Xls;
}

std::unique_ptr<SheetWriter> makeSheetWriter(SheetFormat format) {
    switch (format) {
    case SheetFormat::Xlsx:
        return std::make_unique<XlsxWriter>();
    case SheetFormat::Csv:
        return std::make_unique<CsvWriter>();
    case SheetFormat::Xls:
        break;
    }
    return std::make_unique<XlsWriter>();
}

QString cleanSheetName(const QString& name) {
    QString out;
    for (const QChar c : name) {
        if (!QStringLiteral("[]:*?/\\").contains(c) && c.unicode() >= 0x20)
            out.append(c);
    }
    out = out.left(31);
    // A name may not start or end with an apostrophe.
    while (out.startsWith(QLatin1Char('\'')))
        out.remove(0, 1);
    while (out.endsWith(QLatin1Char('\'')))
        out.chop(1);
    return out.trimmed().isEmpty() ? QStringLiteral("Sheet1") : out;
}

namespace SheetCells {

bool numberOf(const QString& text, const CellFormat& format, double* number) {
    if (format.kind == CellFormat::Text || text.trimmed().isEmpty())
        return false;
    if (format.kind == CellFormat::Number) {
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return false;
        *number = value;
        return true;
    }
    const QString trimmed = text.trimmed();
    QDateTime at;
    for (const QString& f : {QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-dd HH:mm"),
                             QStringLiteral("yyyy-MM-dd")}) {
        at = QDateTime::fromString(trimmed, f);
        if (at.isValid())
            break;
    }
    // Day numbers before March 1900 count a 29 February that never was: such dates stay text.
    if (!at.isValid() || at.date() < QDate(1900, 3, 1))
        return false;
    *number = double(QDate(1899, 12, 30).daysTo(at.date())) + at.time().msecsSinceStartOfDay() / 86400000.0;
    return true;
}

} // namespace SheetCells
