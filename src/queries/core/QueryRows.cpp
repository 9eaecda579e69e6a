#include "queries/core/QueryRows.h"

#include "db/Recordset.h"
#include "db/documents/ItemRows.h"

namespace QueryRows {

namespace {

// The usual stored form "yyyy-mm-dd hh:mm:ss" needs no parsing: a list of a year is long.
bool isStoredForm(QStringView text) {
    return text.size() >= 16 && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-') &&
           text.at(10) == QLatin1Char(' ') && text.at(13) == QLatin1Char(':');
}

} // namespace

CellFormat Column::format() const {
    return dateTime ? CellFormat::dateTime(QStringLiteral("yyyy-mm-dd hh:mm")) : CellFormat::text();
}

QVector<CellFormat> ItemFormats() {
    return {CellFormat::text(),
            CellFormat::text(),
            CellFormat::text(),
            CellFormat::text(),
            CellFormat::number(),
            CellFormat::number(QStringLiteral("0.000")),
            CellFormat::number(QStringLiteral("0.00"))};
}

QVector<Column> ExecutedColumns() {
    return {{QStringLiteral("执行日期"), 17.5, QStringLiteral("ZXSJ"), true},
            {QStringLiteral("处方单号"), 18.87, QStringLiteral("DH")},
            {QStringLiteral("执行人"), 10.83, QStringLiteral("ZXR")},
            {QStringLiteral("复核人"), 12.75, QStringLiteral("FHR")},
            {QStringLiteral("病人姓名"), 13.83, QStringLiteral("xm")},
            {QStringLiteral("执行单号"), 19.12, QStringLiteral("ZXDH")}};
}

QVector<Column> VoidedColumns() {
    return {{QStringLiteral("作废日期"), 17.0, QStringLiteral("ZFRQ"), true},
            {QStringLiteral("处方单号"), 18.87, QStringLiteral("DH")},
            {QStringLiteral("操作员"), 10.83, QStringLiteral("ZFR")},
            {QStringLiteral("病人姓名"), 13.83, QStringLiteral("xm")},
            {QStringLiteral("执行单号"), 16.0, QStringLiteral("ZXDH")}};
}

QString MinuteText(const QVariant& value) {
    if (Recordset::isNullValue(value))
        return {};
    return MinuteText(Recordset::asText(value));
}

QString MinuteText(const QString& text) {
    if (text.isEmpty())
        return {};
    if (isStoredForm(text))
        return text.left(16);
    const QDateTime t = Recordset::asDateTime(text);
    return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : text;
}

// Each row is written as one string, straight from the fetched rows: a list of a year holds a
// hundred thousand records, and the fields it does not show are never read.
QVector<TextRow> ListRows(const Recordset& rs, const QVector<Column>& columns) {
    QVector<int> fields;
    for (const Column& c : columns)
        fields.append(rs.fieldIndex(c.field));
    const int count = rs.RecordCount();
    QVector<TextRow> rows(count);
    for (int r = 0; r < count; ++r) {
        TextRow& row = rows[r];
        row.reserve(8 * columns.size());
        for (qsizetype c = 0; c < columns.size(); ++c) {
            QString& texts = row.buffer();
            const qsizetype start = texts.size();
            rs.appendCellText(r, fields.at(c), &texts);
            if (columns.at(c).dateTime) {
                const QStringView value = row.pending(start);
                if (isStoredForm(value)) {
                    texts.truncate(start + 16);
                } else if (!value.isEmpty()) {
                    const QString minute = MinuteText(value.toString());
                    texts.truncate(start);
                    texts.append(minute);
                }
            }
            row.endCell();
        }
    }
    return rows;
}

QStringList ItemHeadings() {
    return {QStringLiteral("序号"), QStringLiteral("编码"), QStringLiteral("品名"), QStringLiteral("规格"),
            QStringLiteral("单位"), QStringLiteral("数量"), QStringLiteral("单价"), QStringLiteral("实收")};
}

QVector<QStringList> ItemGridRows(const Recordset& rs) {
    const char* const names[] = {"BM", "PM", "GG", "DW", "SL", "DJ", "SSJE"};
    int f[7];
    for (int i = 0; i < 7; ++i)
        f[i] = rs.fieldIndex(QString::fromLatin1(names[i]));
    QVector<QStringList> rows;
    rows.reserve(rs.RecordCount());
    for (const auto& record : rs.rows()) {
        const auto at = [&](int i) { return f[i] >= 0 ? record.at(f[i]) : QVariant(); };
        rows.append({Recordset::asText(at(0)), Recordset::asText(at(1)), Recordset::asText(at(2)),
                     Recordset::asText(at(3)), Recordset::asText(at(4)), ::ItemRows::FormatFixed(at(5), 3),
                     ::ItemRows::FormatFixed(at(6), 2)});
    }
    return rows;
}

} // namespace QueryRows
