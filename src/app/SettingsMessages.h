#pragma once

#include "app/core/ConnectionSettings.h"

#include <QString>

// DatabaseSet.data as start-up and the settings dialog read and write it: the file routines of
// app/core, then the message of a failure under its own title. After the message each routine
// goes on as if nothing had been read or written.

// Record 1; empty text after "出错信息：{description}" under "读取连接字符串时出错".
QString ReadConnectionString();
// The four fields; false after "出错信息:{description}" under "读取连接串时出错!".
bool LoadSettings(ConnectionSettings* settings);
// false after "出错信息：{description}" under "读连接字符串时出错".
bool SaveSettings(const ConnectionSettings& settings);
