#include "output/core/ResultTable.h"

#include "db/Recordset.h"

namespace {

enum class Seen { Nothing, Number, Date, DateTime, Text };

// A date alone, or a date with its time, as the database hands it over.
Seen dateKind(const QVariant& v) {
    if (v.typeId() == QMetaType::QDate)
        return Seen::Date;
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().time() == QTime(0, 0) ? Seen::Date : Seen::DateTime;
    if (v.typeId() != QMetaType::QString)
        return Seen::Text;
    const QString s = v.toString();
    if (s.size() == 10 && QDate::fromString(s, QStringLiteral("yyyy-MM-dd")).isValid())
        return Seen::Date;
    if (s.size() == 19 && QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid())
        return Seen::DateTime;
    return Seen::Text;
}

Seen join(Seen a, Seen b) {
    if (a == Seen::Nothing || a == b)
        return b;
    const bool dates = (a == Seen::Date || a == Seen::DateTime) && (b == Seen::Date || b == Seen::DateTime);
    return dates ? Seen::DateTime : Seen::Text;
}

} // namespace

TextTable ResultTable(const Recordset& rs) {
    TextTable table;
    table.headings = rs.fieldNames();
    const int cols = rs.fieldCount();
    QVector<Seen> seen(cols, Seen::Nothing);
    table.rows.reserve(rs.RecordCount());
    for (const QVector<QVariant>& row : rs.rows()) {
        QStringList cells;
        cells.reserve(cols);
        for (int c = 0; c < cols; ++c) {
            const QVariant& value = row.value(c);
            cells << Recordset::asText(value);
            if (Recordset::isNullValue(value) || seen[c] == Seen::Text)
                continue;
            seen[c] = join(seen[c], Recordset::holdsNumber(value) ? Seen::Number : dateKind(value));
        }
        table.rows.append(cells);
    }
    for (int c = 0; c < cols; ++c) {
        switch (seen[c]) {
        case Seen::Number:
            table.formats << CellFormat::number();
            break;
        case Seen::Date:
            table.formats << CellFormat::dateTime(QStringLiteral("yyyy-mm-dd"));
            break;
        case Seen::DateTime:
            table.formats << CellFormat::dateTime(QStringLiteral("yyyy-mm-dd hh:mm:ss"));
            break;
        default:
            table.formats << CellFormat::text();
        }
    }
    return table;
}
