#include "tools/core/AboutTexts.h"

namespace AboutTexts {

QString bookTitle(const QString& applicationTitle) {
    return QStringLiteral("《") + applicationTitle + QStringLiteral("》");
}

QString versionText(int major, int minor, int revision) {
    return QStringLiteral("版本号:%1.%2.%3(网络版)").arg(major).arg(minor).arg(revision);
}

int versionMajor() {
    return YJGL_VERSION_MAJOR;
}

int versionMinor() {
    return YJGL_VERSION_MINOR;
}

int versionRevision() {
    return YJGL_VERSION_REVISION;
}

QString versionNumber() {
    return QStringLiteral("%1.%2.%3").arg(versionMajor()).arg(versionMinor()).arg(versionRevision());
}

} // namespace AboutTexts
