#pragma once

#include <QString>

// The folder of the platform's system programs (the calculator lives there).
class Cls_SysDir {
public:
    // Without a trailing separator: the Windows system folder, or "/usr/bin".
    static QString GetSysDir();
};
