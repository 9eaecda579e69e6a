#pragma once

#include "output/core/SheetWriter.h"

#include <QFile>

#include <memory>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// Excel workbook (.xlsx) through libxlsxwriter, row by row in its constant-memory mode.
class XlsxWriter : public SheetWriter {
public:
    static constexpr int kMaxRows = 1048576;

    ~XlsxWriter() override;
    int maxRowsPerSheet() const override { return kMaxRows; }
    bool open(const QString& path, AppError* error) override;
    void setColumnFormats(const QVector<CellFormat>& formats) override;
    void startSheet(const QString& name) override;
    void addRow(const QStringList& cells) override;
    void addDataRow(const QStringList& cells) override;
    bool finish(AppError* error) override;

private:
    void addCells(const QStringList& cells, bool typed);

    lxw_workbook* m_book = nullptr;
    QVector<lxw_format*> m_colFormat; // number format of each column; none for "General"
    lxw_worksheet* m_sheet = nullptr;
    QString m_path;
    int m_row = 0;
    int m_sheetCount = 0;
    int m_lastError = 0;
};

// Comma-separated text in UTF-8 with a byte-order mark, fields quoted where needed.
class CsvWriter : public SheetWriter {
public:
    int maxRowsPerSheet() const override { return 0; }
    bool open(const QString& path, AppError* error) override;
    void startSheet(const QString& name) override { Q_UNUSED(name); }
    void addRow(const QStringList& cells) override;
    bool finish(AppError* error) override;

private:
    QString m_path;
    QByteArray m_buffer;
    bool m_failed = false;
    std::unique_ptr<QFile> m_file;
};
