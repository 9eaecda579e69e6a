#include "app/core/Cls_SysDir.h"

#ifdef Q_OS_WIN
#include <string>
#include <windows.h>
#endif

QString Cls_SysDir::GetSysDir() {
#ifdef Q_OS_WIN
    std::wstring buffer(MAX_PATH, L'\0');
    UINT n = GetSystemDirectoryW(buffer.data(), UINT(buffer.size()));
    if (n > buffer.size()) {
        buffer.resize(n);
        n = GetSystemDirectoryW(buffer.data(), UINT(buffer.size()));
    }
    QString dir = QString::fromWCharArray(buffer.data(), int(qMin<size_t>(n, buffer.size())));
    while (dir.endsWith(u'\\') && dir.size() > 3)
        dir.chop(1);
    return dir;
#else
    return QStringLiteral("/usr/bin");
#endif
}
