#pragma once

#include <QString>

// Typed search text made safe for a statement: a date or date-time typed as such (longer than
// 7 characters) stays as it is; anything else loses surrounding blanks and every quote, blank,
// line feed and carriage return.
QString CleanInputText(const QString& text);

// True for the date and date-time forms typed on a Chinese Windows desktop: 2010-01-05,
// 2010/1/5, 2010年1月5日, optionally followed by a time H:mm or H:mm:ss.
bool ReadsAsDate(const QString& text);
