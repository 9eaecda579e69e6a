#pragma once

#include "output/core/SheetWriter.h"

#include <QByteArray>
#include <QList>
#include <QVector>

#include <vector>

// Excel 97-2003 workbook: BIFF8 records in the "Workbook" stream of a compound file. Texts
// are written as shared strings (exactly as given), numbers and dates of number and date
// columns as NUMBER records in the column's format, empty cells as blanks.
class XlsWriter : public SheetWriter {
public:
    static constexpr int kMaxRows = 65536;
    static constexpr int kMaxCols = 256;

    int maxRowsPerSheet() const override { return kMaxRows; }
    bool open(const QString& path, AppError* error) override;
    void expect(qint64 rows, int cols) override;
    void setColumnFormats(const QVector<CellFormat>& formats) override;
    void startSheet(const QString& name) override;
    void addRow(const QStringList& cells) override;
    void addDataRow(const QStringList& cells) override;
    bool finish(AppError* error) override;

private:
    struct Sheet {
        QString name;
        QByteArray cells; // LABELSST and BLANK records
        int rows = 0;
        int cols = 0;
    };
    void addCells(const QStringList& cells, bool typed);
    quint32 stringIndex(const QString& text);
    void growIndex(size_t slotCount);
    // The workbook stream in pieces, written one after the other without joining them.
    QList<QByteArray> workbookStream() const;

    QString m_path;
    QVector<Sheet> m_sheets;
    // Open-addressed index of m_strings: (hash << 32) | (string index + 1), 0 for a free slot.
    std::vector<quint64> m_slots;
    QStringList m_strings;
    quint32 m_stringRefs = 0;
    QStringList m_patterns;      // number formats of the FORMAT records, 164 onwards
    QVector<quint16> m_colXf;    // cell format of each typed column; 0 for a text column
    QVector<quint16> m_xfFormat; // number format of each cell format from 16 on
    bool m_tooWide = false;
    qint64 m_expectedCells = 0;
    int m_expectedCols = 0;
};

// What surrounds one stream in a compound file (version 3, 512-byte sectors): the header
// before it, zero padding after it (streams below 4096 bytes are padded up to that size, so
// that no mini stream is needed) and then the directory and allocation tables.
struct CompoundFileFrame {
    QByteArray head;
    qint64 padding = 0;
    QByteArray tail;
};
CompoundFileFrame compoundFileFrame(const QString& streamName, qint64 streamSize);
