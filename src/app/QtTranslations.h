#pragma once

// Qt's own texts (the buttons of standard dialogs, the context menus of text boxes) in Chinese,
// from the translations Qt installs (the package qt6-translations-l10n). Without them Qt's
// English texts stay.
void installQtTranslations();
