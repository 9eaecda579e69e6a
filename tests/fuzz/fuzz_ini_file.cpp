// Profile files are edited by hand and by other programs: any bytes may be in them.
#include "FuzzSupport.h"
#include "app/core/CIniFile.h"
#include "app/core/IniDocument.h"
#include "common/core/AnsiCodec.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\r';
}

// What a read gives back for a written value: blanks trimmed, one pair of quotes taken off.
QString readBack(const QString& written) {
    qsizetype b = 0;
    qsizetype e = written.size();
    while (b < e && isBlank(written[b]))
        ++b;
    while (e > b && isBlank(written[e - 1]))
        --e;
    QString v = written.mid(b, e - b);
    if (v.size() > 1 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

bool survivesGbk(const QString& s) {
    return AnsiCodec::decode(AnsiCodec::encode(s)) == s;
}

QString pick(FuzzedDataProvider& in) {
    return QString::fromStdString(in.ConsumeRandomLengthString(24));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const QString section = pick(in);
    const QString key = pick(in);
    const QString value = pick(in);
    const QString otherSection = pick(in);
    const QString otherKey = pick(in);
    const int room = in.ConsumeIntegral<int>();
    const std::string rest = in.ConsumeRemainingBytesAsString();
    const QByteArray file(rest.data(), qsizetype(rest.size()));

    IniDocument doc = IniDocument::fromBytes(file);
    Fuzz::check(doc.toBytes() == file, "an unchanged document does not give back its bytes");
    (void)doc.value(section, key);
    const std::optional<QString> otherBefore = doc.value(otherSection, otherKey);
    const bool sameKey = otherSection.trimmed().compare(section.trimmed(), Qt::CaseInsensitive) == 0 &&
                         otherKey.trimmed().compare(key.trimmed(), Qt::CaseInsensitive) == 0;
    if (doc.setValue(section, key, value) && survivesGbk(section) && survivesGbk(key) && survivesGbk(value)) {
        const IniDocument reread = IniDocument::fromBytes(doc.toBytes());
        const std::optional<QString> got = reread.value(section, key);
        Fuzz::check(got && *got == readBack(value), "a written key does not read back");
        // Writing one key leaves every other key as it was.
        if (!sameKey)
            Fuzz::check(reread.value(otherSection, otherKey) == otherBefore,
                        "writing one key changed another");
    }

    const QString path = Fuzz::scratchFile(QStringLiteral("fuzz.ini"));
    Fuzz::writeFile(path, file);
    CIniFile ini;
    ini.SpecifyIni(path);
    int n = room;
    (void)ini.ReadString(section, key, n);
    (void)ini.ReadInt(section, key);
    (void)CIniFile::profileInt(path, section, key, 7);
    if (ini.WriteString(section, key, value) && survivesGbk(section) && survivesGbk(key) &&
        survivesGbk(value)) {
        QString expected = readBack(value);
        expected.remove(QChar(0));
        while (expected.endsWith(u' '))
            expected.chop(1);
        int big = 1 << 20;
        Fuzz::check(ini.ReadString(section, key, big) == expected, "a written string reads otherwise");
    }
    return 0;
}
