#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The text of one Windows profile (INI) file, held line by line as raw bytes so that a write
// changes only the line it concerns: other sections, keys, comments, blank lines, line ends
// and even bytes that are not valid GBK stay exactly as they were.
// Section and key names match without regard to letter case; the first match wins.
class IniDocument {
public:
    // A missing or unreadable file gives an empty document; so does anything that is not a
    // regular file of at most a megabyte (`usable` then tells the caller not to write over it).
    static IniDocument load(const QString& path, bool* usable = nullptr);
    static IniDocument fromBytes(const QByteArray& bytes);

    QByteArray toBytes() const;
    // Written through a temporary file and a rename, so a failed write keeps the old file.
    bool save(const QString& path) const;

    // The value as GetPrivateProfileString gives it: blanks around it removed and one pair
    // of enclosing quotes (double or single) taken off. No value for a missing key.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // What a read gives for a value written as `written`: the rule of value() above.
    static QString valueAsRead(const QString& written);

    // Sets one key: replaces its line, or adds it at the end of its section, or adds the
    // section at the end of the file. False (nothing changed) for a name or value that
    // would break the line structure.
    bool setValue(const QString& section, const QString& key, const QString& value);

private:
    struct Line {
        QByteArray text;   // without its line end
        QByteArray ending; // "\r\n", "\n", "\r" or empty for a last line without one
    };
    enum class Kind { Other, Section, Key };
    struct Parsed {
        Kind kind = Kind::Other;
        QString name;  // section or key name
        QString value; // raw value text of a key (not yet trimmed of quotes)
    };

    Parsed parse(const Line& line) const;
    QString decode(const QByteArray& bytes) const;
    QByteArray encode(const QString& text) const;
    // Index of the section's header line, or -1.
    int findSection(const QString& section) const;

    QList<Line> m_lines;
    bool m_utf8Bom = false;
};
