#pragma once

// Loads Qt's own Chinese (zh_CN) texts, so that the file, print, preview and overwrite dialogs
// speak the program's language whatever the system's. False when they are not installed
// (Debian package qt6-translations-l10n); the dialogs then show English.
bool installQtTranslations();
