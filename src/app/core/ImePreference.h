#pragma once

#include "app/core/InputMethods.h"

#include <QString>

// The user's input-method preference and the code letters of Chinese texts.
namespace ImeSql {
// "Update UserDB set IME='{IME text}',SearchType='{type}' Where UserName='{user}'"
QString save(qint32 ime, const QString& searchType, const QString& user);
// "SELECT PY FROM GY_HZBM WHERE HZ='{character}'"
QString characterCode(QChar hz);
} // namespace ImeSql

// The handle as userdb.IME keeps it: one blank before a value of zero or more, a minus sign
// before a negative one.
QString ImeText(qint32 ime);

#include "common/core/AppError.h"

// Stores the preference in the user's userdb row; false with `error` filled after a failure.
[[nodiscard]] bool SaveImePreference(qint32 ime, const QString& searchType, const QString& user,
                                     AppError* error);

// The caption a method has in the list: its description, "英语（美国）" for a plain layout.
QString ImeListText(const InputMethod& method);

// The description of the input method active now, "英文输入法" when it is a plain layout.
QString getlayout();

// Switches to the user's preferred method gIme; a refusal of the platform is ignored.
void SwitchToPreferredInputMethod();

// The code letters of a text: blanks dropped, ASCII characters kept, every other character
// replaced by its PY of GY_HZBM (one look-up each) or dropped when it has none. A failing
// look-up ends the work with the letters found so far.
QString GetPY(const QString& text);
