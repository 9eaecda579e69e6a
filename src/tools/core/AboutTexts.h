#pragma once

#include <QString>

// The texts of the about box.
namespace AboutTexts {
// "《{title}》"
QString bookTitle(const QString& applicationTitle);
// "版本号:{major}.{minor}.{revision}(网络版)"
QString versionText(int major, int minor, int revision);
// The version this program was built as (the project version of the build).
int versionMajor();
int versionMinor();
int versionRevision();
// "major.minor.revision", as the package and `yjgl-admin --version` name it.
QString versionNumber();
} // namespace AboutTexts
