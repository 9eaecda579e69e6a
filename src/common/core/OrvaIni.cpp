#include "common/core/OrvaIni.h"

#include "common/core/CIniFile.h"
#include "common/core/ProgramFolder.h"

namespace OrvaIni {

namespace {
const QString kPrintSection = QStringLiteral("发票打印");
const QString kPrinterKey = QStringLiteral("发票打印机");
const QString kFontSizeKey = QStringLiteral("字号");
constexpr int kPrinterNameSize = 200;
constexpr int kPathFileAccessError = 75;
} // namespace

QString path() {
    return ProgramFolder::file(QStringLiteral("ORVA.ini"));
}

PrintOptions readPrintOptions() {
    CIniFile ini;
    ini.SpecifyIni(path());
    int size = kPrinterNameSize;
    PrintOptions options;
    options.printer = ini.ReadString(kPrintSection, kPrinterKey, size);
    options.fontSize = ini.ReadInt(kPrintSection, kFontSizeKey);
    return options;
}

bool writePrintOptions(const QString& printer, const QString& fontSizeText, AppError* error) {
    return writeString(kPrintSection, kPrinterKey, printer, error) &&
           writeString(kPrintSection, kFontSizeKey, fontSizeText, error);
}

bool writeString(const QString& section, const QString& key, const QString& value, AppError* error) {
    CIniFile ini;
    ini.SpecifyIni(path());
    if (!ini.WriteString(section, key, value)) {
        if (error)
            *error = {kPathFileAccessError, ini.ErrorMsg(), QStringLiteral("ORVA.ini")};
        return false;
    }
    return true;
}

} // namespace OrvaIni
