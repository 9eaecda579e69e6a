#pragma once

#include <QDateTime>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>
#include <string>
#include <vector>

// Rows as the engine hands them over, packed side by side in one buffer: fetching costs no
// allocation per value, and two results compare byte for byte.
struct PackedRows {
    enum Type : quint8 { Null, Integer, Float, Text, Blob };

    std::string bytes;
    std::vector<quint64> cells; // per value, row after row: its start in `bytes` << 3 | its type
    int rowCount = 0;

    void addNull() { cells.push_back(quint64(bytes.size()) << 3 | Null); }
    void addInteger(qint64 value) { add(Integer, reinterpret_cast<const char*>(&value), sizeof value); }
    void addFloat(double value) { add(Float, reinterpret_cast<const char*>(&value), sizeof value); }
    void add(Type type, const char* data, int size) { // text (UTF-8), blob, or a number's bytes
        cells.push_back(quint64(bytes.size()) << 3 | type);
        bytes.append(data, size_t(size));
    }
    QVariant value(size_t cell) const;
    // Appends the value as Recordset::asText reads it; a text is decoded straight onto `to`.
    void appendText(size_t cell, QString* to) const;
    bool operator==(const PackedRows& other) const = default;
};

// A client-side recordset: every row is fetched when it is opened, so the record count is
// always known. Fields are found by name without regard to letter case, or by index.
// A database NULL is an invalid QVariant, told apart from an empty text.
class Recordset {
public:
    Recordset() = default;
    Recordset(QStringList columns, QVector<QVector<QVariant>> rows);
    // Values become QVariants when the first one is read.
    Recordset(QStringList columns, PackedRows packed);

    int RecordCount() const { return m_rowCount; }
    int fieldCount() const { return int(m_columns.size()); }
    QString fieldName(int index) const { return m_columns.value(index); }
    const QStringList& fieldNames() const { return m_columns; }
    int fieldIndex(const QString& name) const; // -1 when there is no such field

    // Cursor.
    bool isEOF() const { return m_pos >= RecordCount(); }
    bool isBOF() const { return m_pos < 0 || RecordCount() == 0; }
    int position() const { return m_pos; }
    void MoveFirst() { m_pos = 0; }
    void MoveNext() {
        if (m_pos < RecordCount())
            ++m_pos;
    }
    void Move(int row) { m_pos = row; }

    // Values of the current row. An unknown field or a position off the rows gives a null.
    QVariant value(int index) const;
    QVariant value(const QString& name) const;
    bool isNull(int index) const { return isNullValue(value(index)); }
    bool isNull(const QString& name) const { return isNullValue(value(name)); }

    // Values read as the windows read them.
    QString text(int index) const { return asText(value(index)); } // null gives ""
    QString text(const QString& name) const { return asText(value(name)); }
    double number(int index) const { return asNumber(value(index)); } // null or not numeric gives 0
    double number(const QString& name) const { return asNumber(value(name)); }
    QDateTime dateTime(int index) const { return asDateTime(value(index)); }
    QDateTime dateTime(const QString& name) const { return asDateTime(value(name)); }
    bool boolean(int index) const { return asBoolean(value(index)); } // true, -1, 1, "1", "true"
    bool boolean(const QString& name) const { return asBoolean(value(name)); }

    // Rows inserted, changed or deleted by the statement text that gave this recordset (ADO's
    // RecordsAffected); 0 for a text that only reads.
    int RecordsAffected() const { return m_recordsAffected; }
    void setRecordsAffected(int n) { m_recordsAffected = n; }

    // The value of field `index` in row `row` as text() reads it. Lists of many rows read
    // through here: fetched rows are decoded cell by cell without a QVariant per value, and
    // the fields a list does not show are never decoded. Off the rows or fields: "".
    QString cellText(int row, int index) const;
    // The same appended to `to`: a row of cells can be built in one string.
    void appendCellText(int row, int index, QString* to) const;
    // The value of field `index` in row `row` without decoding the rest of the result (a null
    // off the rows or fields).
    QVariant cellValue(int row, int index) const;

    // Whole result access (for grids that fill from all rows at once).
    const QVector<QVector<QVariant>>& rows() const {
        unpack();
        return m_rows;
    }

    // Same columns and the same values in the same order: a list refreshed with an unchanged
    // result need not be redrawn. Packed results compare without unpacking.
    bool sameRows(const Recordset& other) const;

    static bool isNullValue(const QVariant& v) { return !v.isValid() || v.isNull(); }
    static QString asText(const QVariant& v);
    static double asNumber(const QVariant& v);
    static bool isNumeric(const QVariant& v);
    // A value the database handed over as a number (integer or floating point, not a flag).
    static bool holdsNumber(const QVariant& v);
    static QDateTime asDateTime(const QVariant& v);
    static bool asBoolean(const QVariant& v);

private:
    void unpack() const {
        if (m_packed && !m_unpacked)
            unpackAll();
    }
    void unpackAll() const;

    QStringList m_columns;
    mutable QVector<QVector<QVariant>> m_rows;
    std::shared_ptr<const PackedRows> m_packed; // until the first value is read
    mutable bool m_unpacked = false;
    int m_rowCount = 0;
    int m_pos = 0;
    int m_recordsAffected = 0;
};

using RecordsetPtr = std::shared_ptr<Recordset>;
