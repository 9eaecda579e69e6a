#include "execution/core/AutoPrintOption.h"

#include "common/core/CIniFile.h"
#include "common/core/OrvaIni.h"

namespace AutoPrintOption {

namespace {
const QString kSection = QStringLiteral("窗口发药");
const QString kKey = QStringLiteral("自动打印处方");
constexpr int kInvalidPropertyValue = 380;
} // namespace

QString iniPath() {
    return OrvaIni::path();
}

bool load(int* state, AppError* error) {
    CIniFile ini;
    ini.SpecifyIni(iniPath());
    const int value = ini.ReadInt(kSection, kKey);
    if (value < 0 || value > 2) {
        if (error)
            *error = {kInvalidPropertyValue, QStringLiteral("无效的属性值"), QStringLiteral("Check1")};
        return false;
    }
    *state = value;
    return true;
}

bool save(int state, AppError* error) {
    return OrvaIni::writeString(kSection, kKey, QString::number(state), error);
}

} // namespace AutoPrintOption
