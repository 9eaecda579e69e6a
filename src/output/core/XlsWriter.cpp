#include "output/core/XlsWriter.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace {

// BIFF8 record types.
constexpr quint16 kBof = 0x0809, kEof = 0x000A, kCodepage = 0x0042, kWindow1 = 0x003D, kFont = 0x0031,
                  kXf = 0x00E0, kStyle = 0x0293, kBoundSheet = 0x0085, kSst = 0x00FC, kExtSst = 0x00FF,
                  kContinue = 0x003C, kDimensions = 0x0200, kWindow2 = 0x023E, kLabelSst = 0x00FD,
                  kBlank = 0x0201, kNumber = 0x0203, kFormat = 0x041E;
constexpr int kMaxRecordData = 8224;
constexpr quint16 kCellXf = 15;
constexpr quint16 kFirstCustomFormat = 164;
constexpr int kMaxCellChars = 32767;

void put16(QByteArray& out, quint32 v) {
    const char b[2] = {char(v & 0xFF), char((v >> 8) & 0xFF)};
    out.append(b, 2);
}
void put32(QByteArray& out, quint32 v) {
    const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char((v >> 24) & 0xFF)};
    out.append(b, 4);
}
void set32(QByteArray& out, qsizetype at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = char((v >> (8 * i)) & 0xFF);
}

void record(QByteArray& out, quint16 type, const QByteArray& data) {
    put16(out, type);
    put16(out, quint32(data.size()));
    out.append(data);
}

bool isLatin1(const QString& s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x100; });
}

// Characters of a string: one byte each when every one fits, else UTF-16LE.
void putChars(QByteArray& out, const QChar* chars, qsizetype n, bool wide) {
    const qsizetype at = out.size();
    out.resize(at + (wide ? 2 * n : n));
    char* p = out.data() + at;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = chars[i].unicode();
        if (wide) {
            *p++ = char(u & 0xFF);
            *p++ = char(u >> 8);
        } else {
            *p++ = char(u);
        }
    }
}

// A name with an 8-bit length, always written as UTF-16.
void putShortString(QByteArray& out, const QString& s) {
    out.append(char(s.size()));
    out.append(char(1));
    putChars(out, s.constData(), s.size(), true);
}

QByteArray bof(quint16 kind) {
    QByteArray d;
    put16(d, 0x0600);
    put16(d, kind);
    put16(d, 0x0DBB);
    put16(d, 0x07CC);
    put32(d, 0);
    put32(d, 0x06);
    return d;
}

QByteArray font() {
    QByteArray d;
    put16(d, 180); // 9 pt in twentieths of a point
    put16(d, 0);
    put16(d, 0x7FFF);
    put16(d, 400);
    put16(d, 0);
    d.append(char(0));
    d.append(char(0));
    d.append(char(134)); // GB2312 character set
    d.append(char(0));
    putShortString(d, QStringLiteral("宋体"));
    return d;
}

QByteArray xf(bool style, quint16 numberFormat = 0) {
    QByteArray d;
    put16(d, 0);                       // font
    put16(d, numberFormat);            // 0 is "General"
    put16(d, style ? 0xFFF5 : 0x0001); // locked; style records have no parent
    d.append(char(0x20));              // bottom aligned
    d.append(char(0));
    d.append(char(0));
    // Attributes a style does not set; a cell format names its number format as its own.
    d.append(char(style ? 0xF4 : (numberFormat ? 0x04 : 0x00)));
    put32(d, 0);
    put32(d, 0);
    put16(d, 0x20C0); // default pattern colours
    return d;
}

// Strings of the shared string table, split over CONTINUE records as BIFF8 requires, and
// every eighth (or more) string's position for EXTSST.
void writeSst(QByteArray& out, const QStringList& strings, quint32 refs) {
    const int perBucket = std::max<int>(8, int((strings.size() + 127) / 128));
    QByteArray ext;
    put16(ext, perBucket);

    qsizetype recordStart = out.size();
    put16(out, kSst);
    put16(out, 0);
    put32(out, refs);
    put32(out, quint32(strings.size()));
    const auto closeRecord = [&] { // fills in the length of the record being written
        const qsizetype len = out.size() - recordStart - 4;
        out[recordStart + 2] = char(len & 0xFF);
        out[recordStart + 3] = char((len >> 8) & 0xFF);
    };
    const auto newContinue = [&] {
        closeRecord();
        recordStart = out.size();
        put16(out, kContinue);
        put16(out, 0);
    };
    const auto room = [&] { return kMaxRecordData - (out.size() - recordStart - 4); };

    for (int i = 0; i < strings.size(); ++i) {
        const QString& s = strings.at(i);
        const bool wide = !isLatin1(s);
        const int charSize = wide ? 2 : 1;
        if (room() < 3 + charSize) // the length and flags never stand alone at a record's end
            newContinue();
        if (i % perBucket == 0) {
            put32(ext, quint32(out.size()));
            put16(ext, quint32(out.size() - recordStart));
            put16(ext, 0);
        }
        put16(out, quint32(s.size()));
        out.append(char(wide ? 1 : 0));
        qsizetype done = 0;
        while (done < s.size()) {
            qsizetype fit = std::min<qsizetype>(room() / charSize, s.size() - done);
            if (fit == 0) {
                newContinue();
                out.append(char(wide ? 1 : 0)); // a split string repeats its flags
                continue;
            }
            putChars(out, s.constData() + done, fit, wide);
            done += fit;
        }
    }
    closeRecord();
    record(out, kExtSst, ext);
}

} // namespace

bool XlsWriter::open(const QString& path, AppError* error) {
    Q_UNUSED(error);
    m_path = path;
    m_sheets.clear();
    m_slots.clear();
    m_strings.clear();
    m_stringRefs = 0;
    m_patterns.clear();
    m_colXf.clear();
    m_xfFormat.clear();
    m_tooWide = false;
    return true;
}

void XlsWriter::expect(qint64 rows, int cols) {
    m_expectedCells = rows * cols;
    m_expectedCols = cols;
    size_t slotCount = 1024;
    while (slotCount < size_t(std::min<qint64>(m_expectedCells, 1 << 22)) * 2)
        slotCount *= 2;
    if (slotCount > m_slots.size())
        growIndex(slotCount);
}

// Each distinct number format gets a FORMAT record (unless it is "General") and a cell format.
void XlsWriter::setColumnFormats(const QVector<CellFormat>& formats) {
    SheetWriter::setColumnFormats(formats);
    m_colXf.fill(0, formats.size());
    for (int c = 0; c < formats.size(); ++c) {
        const CellFormat& f = formats.at(c);
        if (f.kind == CellFormat::Text)
            continue;
        quint16 numberFormat = 0;
        if (!f.pattern.isEmpty()) {
            qsizetype at = m_patterns.indexOf(f.pattern);
            if (at < 0) {
                m_patterns.append(f.pattern);
                at = m_patterns.size() - 1;
            }
            numberFormat = quint16(kFirstCustomFormat + at);
        }
        qsizetype xf = m_xfFormat.indexOf(numberFormat);
        if (xf < 0) {
            m_xfFormat.append(numberFormat);
            xf = m_xfFormat.size() - 1;
        }
        m_colXf[c] = quint16(kCellXf + 1 + xf);
    }
}

void XlsWriter::startSheet(const QString& name) {
    m_sheets.append(Sheet{cleanSheetName(name), {}, 0, 0});
    const qint64 cells = std::min<qint64>(m_expectedCells, qint64(kMaxRows) * m_expectedCols);
    m_sheets.last().cells.reserve(qsizetype(cells * 14));
    m_expectedCells -= cells;
}

void XlsWriter::growIndex(size_t slotCount) {
    std::vector<quint64> old(slotCount, 0);
    old.swap(m_slots);
    const size_t mask = m_slots.size() - 1;
    for (quint64 entry : old) {
        if (!entry)
            continue;
        size_t i = (entry >> 32) & mask;
        while (m_slots[i])
            i = (i + 1) & mask;
        m_slots[i] = entry;
    }
}

// Equal texts share one string of the table. A flat table: hundreds of thousands of cells
// cost no allocation each.
quint32 XlsWriter::stringIndex(const QString& text) {
    ++m_stringRefs;
    if (size_t(m_strings.size()) * 2 >= m_slots.size())
        growIndex(std::max<size_t>(1024, m_slots.size() * 2));
    const size_t h = qHash(text);
    const quint32 h32 = quint32(h ^ (quint64(h) >> 32));
    const size_t mask = m_slots.size() - 1;
    for (size_t i = h32 & mask;; i = (i + 1) & mask) {
        const quint64 entry = m_slots[i];
        if (!entry) {
            m_strings.append(text);
            m_slots[i] = (quint64(h32) << 32) | quint64(m_strings.size());
            return quint32(m_strings.size() - 1);
        }
        const quint32 index = quint32(entry & 0xFFFFFFFF) - 1;
        if (quint32(entry >> 32) == h32 && m_strings.at(index) == text)
            return index;
    }
}

void XlsWriter::addRow(const QStringList& cells) {
    addCells(cells, false);
}

void XlsWriter::addDataRow(const QStringList& cells) {
    addCells(cells, true);
}

void XlsWriter::addCells(const QStringList& cells, bool typed) {
    if (m_sheets.isEmpty())
        startSheet(QString());
    Sheet& sheet = m_sheets.last();
    if (sheet.rows >= kMaxRows)
        return;
    if (cells.size() > kMaxCols)
        m_tooWide = true;
    const int cols = std::min<int>(int(cells.size()), kMaxCols);
    QByteArray& out = sheet.cells;
    for (int c = 0; c < cols; ++c) {
        const QString& text = cells.at(c);
        char r[18];
        const auto set = [&r](int at, quint64 v, int bytes) {
            for (int i = 0; i < bytes; ++i)
                r[at + i] = char((v >> (8 * i)) & 0xFF);
        };
        double number = 0;
        if (typed && m_colXf.value(c) && SheetCells::numberOf(text, formatOf(c), &number)) {
            // NUMBER: row, column, format, IEEE double.
            quint64 bits = 0;
            std::memcpy(&bits, &number, sizeof bits);
            set(0, kNumber, 2);
            set(2, 14, 2);
            set(4, quint32(sheet.rows), 2);
            set(6, quint32(c), 2);
            set(8, m_colXf.at(c), 2);
            set(10, bits, 8);
            out.append(r, 18);
            continue;
        }
        // LABELSST: row, column, format, string index; BLANK: row, column, format.
        const bool blank = text.isEmpty();
        set(0, blank ? kBlank : kLabelSst, 2);
        set(2, blank ? 6 : 10, 2);
        set(4, quint32(sheet.rows), 2);
        set(6, quint32(c), 2);
        set(8, kCellXf, 2);
        if (!blank)
            set(10, stringIndex(text.size() > kMaxCellChars ? text.left(kMaxCellChars) : text), 4);
        out.append(r, blank ? 10 : 14);
    }
    sheet.cols = std::max(sheet.cols, cols);
    ++sheet.rows;
}

QList<QByteArray> XlsWriter::workbookStream() const {
    QList<QByteArray> pieces;
    QByteArray out;
    record(out, kBof, bof(0x0005));
    {
        QByteArray d;
        put16(d, 1200); // UTF-16
        record(out, kCodepage, d);
    }
    {
        QByteArray d;
        put16(d, 0);
        put16(d, 0);
        put16(d, 0x4000);
        put16(d, 0x2000);
        put16(d, 0x0038);
        put16(d, 0);
        put16(d, 0);
        put16(d, 1);
        put16(d, 0x0258);
        record(out, kWindow1, d);
    }
    for (int i = 0; i < 5; ++i) // Excel expects the fonts 0-3 and 5
        record(out, kFont, font());
    for (int i = 0; i < m_patterns.size(); ++i) {
        QByteArray d;
        put16(d, quint32(kFirstCustomFormat + i));
        put16(d, quint32(m_patterns.at(i).size()));
        d.append(char(1));
        putChars(d, m_patterns.at(i).constData(), m_patterns.at(i).size(), true);
        record(out, kFormat, d);
    }
    for (int i = 0; i < 15; ++i)
        record(out, kXf, xf(true));
    record(out, kXf, xf(false));
    for (const quint16 numberFormat : m_xfFormat)
        record(out, kXf, xf(false, numberFormat));
    {
        QByteArray d;
        put16(d, 0x8000); // built-in "Normal" on style XF 0
        d.append(char(0));
        d.append(char(0xFF));
        record(out, kStyle, d);
    }
    QVector<qsizetype> sheetPositions;
    for (const Sheet& sheet : m_sheets) {
        QByteArray d;
        put32(d, 0); // stream position of the sheet's BOF, filled in below
        d.append(char(0));
        d.append(char(0));
        putShortString(d, sheet.name);
        sheetPositions.append(out.size() + 4);
        record(out, kBoundSheet, d);
    }
    writeSst(out, m_strings, m_stringRefs);
    record(out, kEof, {});

    qint64 position = out.size();
    QVector<QByteArray> heads, tails;
    for (int i = 0; i < m_sheets.size(); ++i) {
        const Sheet& sheet = m_sheets.at(i);
        set32(out, sheetPositions.at(i), quint32(position));
        QByteArray head;
        record(head, kBof, bof(0x0010));
        QByteArray dim;
        put32(dim, 0);
        put32(dim, quint32(sheet.rows));
        put16(dim, 0);
        put16(dim, quint32(sheet.cols));
        put16(dim, 0);
        record(head, kDimensions, dim);
        QByteArray w;
        put16(w, i == 0 ? 0x06B6 : 0x00B6); // grid lines, headings, zeros; the first sheet selected
        put16(w, 0);
        put16(w, 0);
        put32(w, 0x40);
        put16(w, 0);
        put16(w, 0);
        put32(w, 0);
        QByteArray tail;
        record(tail, kWindow2, w);
        record(tail, kEof, {});
        position += head.size() + sheet.cells.size() + tail.size();
        heads.append(head);
        tails.append(tail);
    }
    pieces.append(out);
    for (int i = 0; i < m_sheets.size(); ++i)
        pieces << heads.at(i) << m_sheets.at(i).cells << tails.at(i);
    return pieces;
}

bool XlsWriter::finish(AppError* error) {
    if (m_tooWide) {
        if (error)
            *error = {1004, QStringLiteral("Excel 97-2003 工作表最多%1列").arg(kMaxCols),
                      QStringLiteral("XlsWriter")};
        return false;
    }
    if (m_sheets.isEmpty())
        startSheet(QString());
    const QList<QByteArray> stream = workbookStream();
    qint64 size = 0;
    for (const QByteArray& piece : stream)
        size += piece.size();
    const CompoundFileFrame frame = compoundFileFrame(QStringLiteral("Workbook"), size);
    QFile f(m_path);
    bool ok = f.open(QIODevice::WriteOnly) && f.write(frame.head) == frame.head.size();
    for (const QByteArray& piece : stream)
        ok = ok && f.write(piece) == piece.size();
    ok = ok && f.write(QByteArray(frame.padding, '\0')) == frame.padding;
    ok = ok && f.write(frame.tail) == frame.tail.size() && f.flush();
    if (!ok) {
        if (error)
            *error = {75, QStringLiteral("无法写入文件%1：%2").arg(m_path, f.errorString()),
                      QStringLiteral("XlsWriter")};
        return false;
    }
    f.close();
    return true;
}
