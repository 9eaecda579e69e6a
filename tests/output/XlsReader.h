#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <freexl.h>

// A workbook as libfreexl reads it: every sheet's name and its cells as text.
struct XlsSheet {
    QString name;
    QVector<QStringList> rows;
};

inline QVector<XlsSheet> readXls(const QString& path, QString* failure = nullptr) {
    QVector<XlsSheet> sheets;
    const void* handle = nullptr;
    if (freexl_open(path.toLocal8Bit().constData(), &handle) != FREEXL_OK) {
        if (failure)
            *failure = QStringLiteral("freexl_open failed");
        freexl_close(handle);
        return sheets;
    }
    unsigned int count = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count);
    for (unsigned short s = 0; s < count; ++s) {
        XlsSheet sheet;
        const char* name = nullptr;
        freexl_get_worksheet_name(handle, s, &name);
        sheet.name = QString::fromUtf8(name);
        freexl_select_active_worksheet(handle, s);
        unsigned int rows = 0;
        unsigned short cols = 0;
        freexl_worksheet_dimensions(handle, &rows, &cols);
        for (unsigned int r = 0; r < rows; ++r) {
            QStringList cells;
            for (unsigned short c = 0; c < cols; ++c) {
                FreeXL_CellValue v;
                freexl_get_cell_value(handle, r, c, &v);
                const bool text = v.type == FREEXL_CELL_TEXT || v.type == FREEXL_CELL_SST_TEXT;
                cells << (text ? QString::fromUtf8(v.value.text_value) : QString());
            }
            sheet.rows.append(cells);
        }
        sheets.append(sheet);
    }
    freexl_close(handle);
    return sheets;
}
