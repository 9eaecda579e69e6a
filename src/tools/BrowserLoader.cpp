#include "tools/BrowserLoader.h"

#include "tools/BrowserPlugin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QPluginLoader>

// Qt's hook for the context that every OpenGL context of the program shares with; Qt WebEngine
// sets it the same way when it starts after the application object.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace {

BrowserPlugin* g_plugin = nullptr;
QOpenGLContext* g_shareContext = nullptr;

void dropShareContext() {
    qt_gl_set_global_share_context(nullptr);
    delete g_shareContext;
    g_shareContext = nullptr;
}

// Chromium draws into OpenGL contexts that share their textures with the windows'. A program
// that links Qt WebEngine has the shared context made when the application starts (and pays for
// the OpenGL driver at every start); here it is made just before the engine loads, the way the
// engine makes it itself. The engine expects the context even where OpenGL cannot be had (the
// offscreen platform): it then finds it invalid and draws in software.
void shareOpenGLContexts() {
    if (QOpenGLContext::globalShareContext() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    g_shareContext = new QOpenGLContext;
    g_shareContext->create();
    qt_gl_set_global_share_context(g_shareContext);
    qAddPostRoutine(dropShareContext);
    // Widgets that draw with OpenGL (the engine's view) look at the attribute as well.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

} // namespace

namespace BrowserLoader {

QStringList searchFolders() {
    QStringList folders;
    const QString given = qEnvironmentVariable("YJGL_PLUGIN_DIR");
    if (!given.isEmpty())
        folders << given;
    folders << QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                               QStringLiteral(YJGL_BROWSER_DIR));
    return folders;
}

bool loaded() {
    return g_plugin != nullptr;
}

BrowserPlugin* plugin(QString* error) {
    if (g_plugin)
        return g_plugin;
    shareOpenGLContexts();
    QStringList failures;
    for (const QString& folder : searchFolders()) {
        QPluginLoader loader(QDir(folder).filePath(QStringLiteral("yjgl_browser")));
        QObject* instance = loader.instance();
        if (auto* found = qobject_cast<BrowserPlugin*>(instance)) {
            g_plugin = found; // the library stays loaded for the rest of the run
            return g_plugin;
        }
        failures << loader.errorString();
    }
    if (error)
        *error = failures.join(QLatin1Char('\n'));
    return nullptr;
}

} // namespace BrowserLoader
