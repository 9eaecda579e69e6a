#pragma once

#include <QString>

// Reads and writes one INI file in the Windows profile format (GBK text, CR LF written).
// The caller names the file with SpecifyIni, then reads or writes keys; failures show up as
// false, empty text, 0 and the text of ErrorMsg().
class CIniFile {
public:
    // The path, blanks trimmed at both ends.
    void SpecifyIni(const QString& FilePathName);
    QString path() const { return m_path; }

    // Writes Section/key = Value; the file is created on the first write. False with
    // "没有指定 INI 文件" when no file is named, "写入失败" when the write failed.
    bool WriteString(const QString& Section, const QString& key, const QString& Value);

    // `Size` is the caller's buffer size in characters; it is raised by one (the caller's
    // variable changes too) and the result holds at most the original Size characters,
    // trailing blanks and NULs removed. Empty for a missing file, section or key.
    QString ReadString(const QString& Section, const QString& key, int& Size);

    // The integer as GetPrivateProfileInt reads it ("12abc" is 12, "abc" is 0). A missing
    // key gives 0 and "不能读取".
    int ReadInt(const QString& Section, const QString& key);

    // The last error message; empty after a successful file check.
    QString ErrorMsg() const { return m_errorMsg; }

    // GetPrivateProfileInt on one file: `defaultValue` for a missing key or empty value.
    static int profileInt(const QString& path, const QString& section, const QString& key, int defaultValue);

private:
    bool checkFile();

    QString m_path;
    QString m_errorMsg;
};
