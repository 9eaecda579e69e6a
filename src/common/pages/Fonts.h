#pragma once

#include <QString>

// Maps the Windows font names the windows and reports use ("宋体", "SimSun", "新宋体", ...)
// onto an installed CJK font and makes it the application font. Returns the family used
// (empty when no CJK font is installed). Needs a QGuiApplication.
QString setupChineseFonts();
// The installed CJK family that stands in for "宋体"; empty when none.
QString chineseFontFamily();
