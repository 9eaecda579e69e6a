#pragma once

#include <QtPlugin>

class QUrl;
class QWidget;

// What the browser library (yjgl_browser, Qt WebEngine) gives the perpetual calendar. The program
// does not link it: the library and the browser engine load when the calendar first opens, so
// that a start of the program pays for neither.
class BrowserPlugin {
public:
    virtual ~BrowserPlugin() = default;
    // A browser view (a QWebEngineView on an off-the-record profile) as a child of parent.
    virtual QWidget* createBrowser(QWidget* parent) = 0;
    // Opens url in a view made by createBrowser.
    virtual void open(QWidget* browser, const QUrl& url) = 0;
};

#define BrowserPlugin_iid "org.hospital.yjgl.BrowserPlugin/1"
Q_DECLARE_INTERFACE(BrowserPlugin, BrowserPlugin_iid)
