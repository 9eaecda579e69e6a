#pragma once

#include <QString>

// The program's four looks, numbered as the theme commands 1001 to 1004 select them
// (0 to 3). Each sets the application's style and palette.
namespace Themes {
enum : int { OfficeXP = 0, Default = 1, Office2003 = 2, NativeXP = 3, Count = 4 };

// The theme last applied; -1 before any.
int current();
// Applies theme 0 to 3; other numbers are ignored.
void apply(int theme);
// The style the theme uses ("Fusion", "Windows").
QString styleName(int theme);
} // namespace Themes
