#include "output/core/SheetWriter.h"

#include "output/core/XlsWriter.h"
#include "output/core/XlsxWriter.h"

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
