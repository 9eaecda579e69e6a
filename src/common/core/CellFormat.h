#pragma once

#include <QString>

// What a grid column holds and how it shows it, so that an exported workbook keeps numbers and
// dates as such. The pattern is a spreadsheet number format: "0.000", "0.00", empty for
// general numbers, "yyyy-mm-dd hh:mm" for dates and times.
struct CellFormat {
    enum Kind { Text, Number, DateTime };
    Kind kind = Text;
    QString pattern;

    static CellFormat text() { return {}; }
    static CellFormat number(const QString& pattern = {}) { return {Number, pattern}; }
    static CellFormat dateTime(const QString& pattern) { return {DateTime, pattern}; }
    bool operator==(const CellFormat& other) const = default;
};
