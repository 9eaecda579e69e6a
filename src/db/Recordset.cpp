#include "db/Recordset.h"

#include <QDate>
#include <QStringDecoder>
#include <QTime>

#include <cmath>
#include <cstring>

namespace {

// Decodes straight onto the end of `to`. Exactly as stored: a leading U+FEFF is a character of
// the value, not a byte-order mark.
void appendStored(QString* to, const char* at, qsizetype size) {
    if (size <= 0)
        return;
    const qsizetype start = to->size();
    to->resize(start + size); // UTF-16 never takes more units than UTF-8 takes bytes
    QChar* begin = to->data() + start;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QChar* end = decoder.appendToBuffer(begin, QByteArrayView(at, size));
    to->truncate(start + (end - begin));
}

} // namespace

QVariant PackedRows::value(size_t cell) const {
    const size_t start = size_t(cells.at(cell) >> 3);
    const size_t end = cell + 1 < cells.size() ? size_t(cells.at(cell + 1) >> 3) : bytes.size();
    const char* at = bytes.data() + start;
    switch (cells.at(cell) & 7) {
    case Integer: {
        qint64 v;
        std::memcpy(&v, at, sizeof v);
        return QVariant(qlonglong(v));
    }
    case Float: {
        double v;
        std::memcpy(&v, at, sizeof v);
        return QVariant(v);
    }
    case Text: {
        QString text;
        appendStored(&text, at, qsizetype(end - start));
        return QVariant(text);
    }
    case Blob:
        return QVariant(QByteArray(at, qsizetype(end - start)));
    default:
        return {};
    }
}

void PackedRows::appendText(size_t cell, QString* to) const {
    switch (cells.at(cell) & 7) {
    case Text: {
        const size_t start = size_t(cells.at(cell) >> 3);
        const size_t end = cell + 1 < cells.size() ? size_t(cells.at(cell + 1) >> 3) : bytes.size();
        appendStored(to, bytes.data() + start, qsizetype(end - start));
        break;
    }
    case Null:
        break;
    default: // numbers and blobs are few: they read as their values do
        to->append(Recordset::asText(value(cell)));
    }
}

Recordset::Recordset(QStringList columns, QVector<QVector<QVariant>> rows)
    : m_columns(std::move(columns)), m_rows(std::move(rows)), m_rowCount(int(m_rows.size())) {}

Recordset::Recordset(QStringList columns, PackedRows packed)
    : m_columns(std::move(columns)), m_rowCount(packed.rowCount) {
    m_packed = std::make_shared<const PackedRows>(std::move(packed));
}

void Recordset::unpackAll() const {
    m_unpacked = true;
    const int columns = int(m_columns.size());
    m_rows.resize(m_rowCount);
    size_t cell = 0;
    for (QVector<QVariant>& row : m_rows) {
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row.append(m_packed->value(cell++));
    }
}

bool Recordset::sameRows(const Recordset& other) const {
    if (m_columns != other.m_columns || m_rowCount != other.m_rowCount)
        return false;
    if (m_packed && other.m_packed)
        return *m_packed == *other.m_packed;
    // QVariant's own comparison takes the text "7" for the number 7.
    const auto& mine = rows();
    const auto& theirs = other.rows();
    for (int r = 0; r < m_rowCount; ++r) {
        if (mine.at(r).size() != theirs.at(r).size())
            return false;
        for (qsizetype c = 0; c < mine.at(r).size(); ++c) {
            const QVariant& a = mine.at(r).at(c);
            const QVariant& b = theirs.at(r).at(c);
            if (a.typeId() != b.typeId() || a != b)
                return false;
        }
    }
    return true;
}

QString Recordset::cellText(int row, int index) const {
    QString text;
    appendCellText(row, index, &text);
    return text;
}

void Recordset::appendCellText(int row, int index, QString* to) const {
    if (row < 0 || row >= m_rowCount || index < 0 || index >= fieldCount())
        return;
    if (m_packed) {
        m_packed->appendText(size_t(row) * size_t(fieldCount()) + size_t(index), to);
        return;
    }
    const QVector<QVariant>& values = m_rows.at(row);
    if (index < values.size())
        to->append(asText(values.at(index)));
}

QVariant Recordset::cellValue(int row, int index) const {
    if (row < 0 || row >= m_rowCount || index < 0 || index >= fieldCount())
        return {};
    if (m_packed)
        return m_packed->value(size_t(row) * size_t(fieldCount()) + size_t(index));
    return m_rows.at(row).value(index);
}

int Recordset::fieldIndex(const QString& name) const {
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Recordset::value(int index) const {
    unpack();
    if (m_pos < 0 || m_pos >= RecordCount() || index < 0 || index >= m_rows.at(m_pos).size())
        return {};
    return m_rows.at(m_pos).at(index);
}

QVariant Recordset::value(const QString& name) const {
    return value(fieldIndex(name));
}

QString Recordset::asText(const QVariant& v) {
    if (isNullValue(v))
        return {};
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = v.toDouble();
        if (std::isfinite(d) && d == std::trunc(d) && std::abs(d) < 1e15)
            return QString::number(qint64(d));
        return QString::number(d, 'g', 15);
    }
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        return dt.time() == QTime(0, 0) ? dt.toString(QStringLiteral("yyyy-MM-dd"))
                                        : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QTime:
        return v.toTime().toString(QStringLiteral("HH:mm:ss"));
    default:
        return v.toString();
    }
}

bool Recordset::holdsNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

namespace {

bool isNumberType(const QVariant& v) {
    return Recordset::holdsNumber(v) || v.typeId() == QMetaType::Bool;
}

// Text (and anything else) counts as a number when it reads as one.
bool parseNumber(const QVariant& v, double* number) {
    bool ok = false;
    *number = v.toString().trimmed().toDouble(&ok);
    return ok;
}

} // namespace

bool Recordset::isNumeric(const QVariant& v) {
    if (isNullValue(v))
        return false;
    double ignored;
    return isNumberType(v) || parseNumber(v, &ignored);
}

// Grids read every price and amount through here: a text is parsed once, not checked and parsed again.
double Recordset::asNumber(const QVariant& v) {
    if (isNullValue(v))
        return 0;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? -1 : 0;
    if (isNumberType(v))
        return v.toDouble();
    double number = 0;
    return parseNumber(v, &number) ? number : 0;
}

QDateTime Recordset::asDateTime(const QVariant& v) {
    if (isNullValue(v))
        return {};
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    if (v.typeId() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    const QString s = v.toString().trimmed();
    static const QString formats[] = {
        QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"),
        QStringLiteral("yyyy-MM-ddTHH:mm:ss"), QStringLiteral("yyyy-MM-dd HH:mm"),
        QStringLiteral("yyyy/MM/dd HH:mm:ss"), QStringLiteral("yyyy-M-d H:m:s")};
    for (const QString& f : formats) {
        const QDateTime dt = QDateTime::fromString(s, f);
        if (dt.isValid())
            return dt;
    }
    static const QString dateFormats[] = {QStringLiteral("yyyy-MM-dd"), QStringLiteral("yyyy/MM/dd"),
                                          QStringLiteral("yyyy-M-d")};
    for (const QString& f : dateFormats) {
        const QDate d = QDate::fromString(s, f);
        if (d.isValid())
            return QDateTime(d, QTime(0, 0));
    }
    return QDateTime::fromString(s, Qt::ISODateWithMs);
}

bool Recordset::asBoolean(const QVariant& v) {
    if (isNullValue(v))
        return false;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        if (s.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
            return true;
        bool ok = false;
        const double d = s.toDouble(&ok);
        return ok && d != 0;
    }
    return isNumeric(v) && v.toDouble() != 0;
}
