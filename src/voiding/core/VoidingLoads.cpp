#include "voiding/core/VoidingLoads.h"

#include "db/StatementHelpers.h"
#include "db/documents/ItemRows.h"
#include "voiding/core/VoidingStatements.h"

bool LoadVoidableList(const QString& dept, const QString& namePattern, const QDate& from, const QDate& to,
                      QVector<QStringList>* rows, AppError* error) {
    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, VoidingSql::documentList(dept, namePattern, from, to), error) || !rs)
        return false;
    const int dh = rs->fieldIndex(QStringLiteral("DH"));
    const int xm = rs->fieldIndex(QStringLiteral("XM"));
    rows->clear();
    rows->reserve(rs->RecordCount());
    for (const auto& record : rs->rows())
        rows->append({Recordset::asText(record.value(dh)), Recordset::asText(record.value(xm))});
    CloseRs(rs);
    return true;
}

bool LoadVoidItems(const QString& dept, const QString& dh, QVector<QStringList>* rows, double* total,
                   AppError* error) {
    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, VoidingSql::items(dept, dh), error) || !rs)
        return false;
    const int group = rs->fieldIndex(QStringLiteral("GroupYP"));
    const int text[] = {rs->fieldIndex(QStringLiteral("BM")), rs->fieldIndex(QStringLiteral("PM")),
                        rs->fieldIndex(QStringLiteral("GG")), rs->fieldIndex(QStringLiteral("DW")),
                        rs->fieldIndex(QStringLiteral("SL"))};
    const int dj = rs->fieldIndex(QStringLiteral("DJ"));
    const int ssje = rs->fieldIndex(QStringLiteral("SSJE"));
    rows->clear();
    rows->reserve(rs->RecordCount());
    *total = 0;
    for (const auto& record : rs->rows()) {
        QStringList row{ItemRows::GroupText(record.value(group))};
        for (int f : text)
            row << Recordset::asText(record.value(f));
        row << ItemRows::FormatFixed(record.value(dj), 3) << ItemRows::FormatFixed(record.value(ssje), 2);
        rows->append(row);
        *total += Recordset::asNumber(record.value(ssje));
    }
    CloseRs(rs);
    return true;
}

bool ReadVoidableNumbers(const QString& dept, const QString& namePattern, const QDate& from, const QDate& to,
                         QStringList* numbers, AppError* error) {
    QVector<QStringList> rows;
    if (!LoadVoidableList(dept, namePattern, from, to, &rows, error))
        return false;
    numbers->clear();
    for (const QStringList& row : rows)
        numbers->append(row.value(0));
    return true;
}
