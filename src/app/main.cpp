#include "app/Startup.h"
#include "common/QtTranslations.h"
#include "common/WidgetMessageService.h"
#include "common/core/ProgramFolder.h"
#include "common/pages/Fonts.h"
#include "db/StatementHelpers.h"
#include "output/PrintService.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    ProgramFolder::shareNewFilesWithGroup();
    // No OpenGL and no browser engine at start: the perpetual calendar sets up both when it first
    // opens (tools/BrowserLoader).
    QApplication app(argc, argv);
    installWidgetServices();
    installQtTranslations(); // Qt's own dialogs in Chinese
    PrintServices::installWidgetService();
    setupChineseFonts();
    // A connection that cannot be reopened later in the run leads to the same settings dialog.
    setConnectionFailureHandler(&Startup::ShowConnectionError);
    Startup::Main();
    return app.exec();
}
