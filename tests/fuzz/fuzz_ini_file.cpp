// Profile files are edited by hand and by other programs: any bytes may be in them.
#include "FuzzSupport.h"
#include "common/core/AnsiCodec.h"
#include "common/core/CIniFile.h"
#include "common/core/IniDocument.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

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
        Fuzz::check(got && *got == IniDocument::valueAsRead(value), "a written key does not read back");
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
        QString expected = IniDocument::valueAsRead(value);
        expected.remove(QChar(0));
        while (expected.endsWith(u' '))
            expected.chop(1);
        int big = 1 << 20;
        Fuzz::check(ini.ReadString(section, key, big) == expected, "a written string reads otherwise");
    }
    return 0;
}
