#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

#include <functional>

// The current user's date and time formats under HKEY_CURRENT_USER "Control Panel\International".
namespace RegionalFormats {

// Value name and wanted text, in the order they are set.
QList<QPair<QString, QString>> wantedValues();

// Reads each value and writes the wanted text only where the text read differs (a missing
// value differs). A failing value is skipped. Returns the names written.
using ReadValue = std::function<QVariant(const QString& valueName)>;
using WriteValue = std::function<bool(const QString& valueName, const QString& text)>;
QStringList apply(const ReadValue& read, const WriteValue& write);

} // namespace RegionalFormats

// Sets the formats in the registry store. Never fails.
void SetRegionalFormats();
