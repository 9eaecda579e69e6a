#include "output/core/XlsxWriter.h"

#include "common/core/LateLibrary.h"

#include <QFile>
#include <QHash>

#include <cstdio>

#include <xlsxwriter.h>

namespace {
AppError writeError(const QString& path, const QString& why) {
    return {75, QStringLiteral("无法写入文件%1：%2").arg(path, why), QStringLiteral("SheetWriter")};
}

// libxlsxwriter loads with the first workbook, not with the program.
struct XlsxApi {
    decltype(&workbook_new_opt) newWorkbook = nullptr;
    decltype(&workbook_add_format) addFormat = nullptr;
    decltype(&format_set_num_format) setNumFormat = nullptr;
    decltype(&workbook_add_worksheet) addWorksheet = nullptr;
    decltype(&worksheet_write_number) writeNumber = nullptr;
    decltype(&worksheet_write_string) writeString = nullptr;
    decltype(&workbook_close) close = nullptr;
    decltype(&lxw_strerror) strerror = nullptr;
    QString missing; // why the library cannot be used; empty when it can
};

const XlsxApi& xlsx() {
    static const XlsxApi api = [] {
        XlsxApi a;
        LateLibrary library(QStringLiteral(YJGL_XLSXWRITER_SONAME));
        library.resolve("workbook_new_opt", &a.newWorkbook);
        library.resolve("workbook_add_format", &a.addFormat);
        library.resolve("format_set_num_format", &a.setNumFormat);
        library.resolve("workbook_add_worksheet", &a.addWorksheet);
        library.resolve("worksheet_write_number", &a.writeNumber);
        library.resolve("worksheet_write_string", &a.writeString);
        library.resolve("workbook_close", &a.close);
        library.resolve("lxw_strerror", &a.strerror);
        if (!library.error().isEmpty())
            a.missing =
                QStringLiteral("找不到 Excel 文件写入库 %1（%2）").arg(library.soname(), library.error());
        return a;
    }();
    return api;
}

// The library closes a sheet's temporary file only while it copies the sheet's rows into the
// workbook: a sheet without a single cell (every text blank) would keep the file open, and its
// disk space taken, until the program ends. Such a sheet has nothing in that file.
lxw_error closeWorkbook(lxw_workbook* book) {
    lxw_worksheet* sheet = nullptr;
    LXW_FOREACH_WORKSHEET(sheet, book) {
        if (sheet->optimize_tmpfile && sheet->dim_rowmin == LXW_ROW_MAX) {
            fclose(sheet->optimize_tmpfile);
            sheet->optimize_tmpfile = nullptr;
        }
    }
    return xlsx().close(book);
}
} // namespace

XlsxWriter::~XlsxWriter() {
    if (m_book) // an abandoned export still frees the library's temporary files
        closeWorkbook(m_book);
}

bool XlsxWriter::open(const QString& path, AppError* error) {
    m_path = path;
    const QByteArray name = QFile::encodeName(path);
    if (const QString& missing = xlsx().missing; !missing.isEmpty()) {
        if (error)
            *error = writeError(path, missing);
        return false;
    }
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    m_book = xlsx().newWorkbook(name.constData(), &options);
    if (!m_book && error)
        *error = writeError(path, QStringLiteral("libxlsxwriter"));
    return m_book != nullptr;
}

void XlsxWriter::setColumnFormats(const QVector<CellFormat>& formats) {
    SheetWriter::setColumnFormats(formats);
    m_colFormat.fill(nullptr, formats.size());
    if (!m_book)
        return;
    QHash<QString, lxw_format*> made;
    for (int c = 0; c < formats.size(); ++c) {
        const QString& pattern = formats.at(c).pattern;
        if (formats.at(c).kind == CellFormat::Text || pattern.isEmpty())
            continue;
        lxw_format*& format = made[pattern];
        if (!format) {
            format = xlsx().addFormat(m_book);
            xlsx().setNumFormat(format, pattern.toUtf8().constData());
        }
        m_colFormat[c] = format;
    }
}

void XlsxWriter::startSheet(const QString& name) {
    if (!m_book)
        return;
    ++m_sheetCount;
    m_sheet = xlsx().addWorksheet(m_book, cleanSheetName(name).toUtf8().constData());
    if (!m_sheet) // a repeated name: the library numbers it
        m_sheet = xlsx().addWorksheet(m_book, nullptr);
    m_row = 0;
}

void XlsxWriter::addRow(const QStringList& cells) {
    addCells(cells, false);
}

void XlsxWriter::addDataRow(const QStringList& cells) {
    addCells(cells, true);
}

void XlsxWriter::addCells(const QStringList& cells, bool typed) {
    if (!m_sheet)
        startSheet(QString());
    if (!m_sheet || m_row >= kMaxRows)
        return;
    for (int c = 0; c < cells.size(); ++c) {
        if (cells.at(c).isEmpty())
            continue;
        double number = 0;
        if (typed && SheetCells::numberOf(cells.at(c), formatOf(c), &number)) {
            const lxw_error e =
                xlsx().writeNumber(m_sheet, lxw_row_t(m_row), lxw_col_t(c), number, m_colFormat.value(c));
            if (e != LXW_NO_ERROR)
                m_lastError = int(e);
            continue;
        }
        const lxw_error e = xlsx().writeString(m_sheet, lxw_row_t(m_row), lxw_col_t(c),
                                               cells.at(c).toUtf8().constData(), nullptr);
        if (e != LXW_NO_ERROR && e != LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
            m_lastError = int(e);
    }
    ++m_row;
}

bool XlsxWriter::finish(AppError* error) {
    if (!m_book)
        return false;
    if (!m_sheet)
        startSheet(QString());
    const lxw_error closed = closeWorkbook(m_book);
    m_book = nullptr;
    const int failure = m_lastError ? m_lastError : int(closed);
    if (failure != LXW_NO_ERROR) {
        if (error)
            *error = writeError(m_path, QString::fromUtf8(xlsx().strerror(lxw_error(failure))));
        return false;
    }
    return true;
}

bool CsvWriter::open(const QString& path, AppError* error) {
    m_path = path;
    m_file = std::make_unique<QFile>(path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        if (error)
            *error = writeError(path, m_file->errorString());
        return false;
    }
    m_buffer = QByteArrayLiteral("\xEF\xBB\xBF");
    return true;
}

void CsvWriter::addRow(const QStringList& cells) {
    for (int c = 0; c < cells.size(); ++c) {
        if (c > 0)
            m_buffer.append(',');
        const QString& text = cells.at(c);
        const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                           text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
        if (!quote) {
            m_buffer.append(text.toUtf8());
            continue;
        }
        QString q = text;
        q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        m_buffer.append('"').append(q.toUtf8()).append('"');
    }
    m_buffer.append("\r\n", 2);
    if (m_buffer.size() > (1 << 20)) {
        m_failed |= m_file->write(m_buffer) != m_buffer.size();
        m_buffer.clear();
    }
}

bool CsvWriter::finish(AppError* error) {
    if (!m_file)
        return false;
    m_failed |= m_file->write(m_buffer) != m_buffer.size();
    m_failed |= !m_file->flush();
    const QString why = m_file->errorString();
    m_file.reset();
    if (m_failed && error)
        *error = writeError(m_path, why);
    return !m_failed;
}
