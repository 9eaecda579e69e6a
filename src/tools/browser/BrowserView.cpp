// The browser library: Qt WebEngine behind the calendar's BrowserPlugin interface. It links no
// library of the project, so that no program-wide value exists twice.
#include "tools/BrowserPlugin.h"

#include <QObject>
#include <QQuickWindow>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

// A view whose page lives on an off-the-record profile (showing a page writes no cache or
// cookies to disk); the page goes before its profile.
class OffTheRecordView : public QWebEngineView {
public:
    explicit OffTheRecordView(QWidget* parent) : QWebEngineView(parent) {
        auto* profile = new QWebEngineProfile(this);
        m_page = new QWebEnginePage(profile, this);
        setPage(m_page);
    }
    ~OffTheRecordView() override { delete m_page; }

private:
    QWebEnginePage* m_page = nullptr;
};

class WebEngineBrowser : public QObject, public BrowserPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID BrowserPlugin_iid)
    Q_INTERFACES(BrowserPlugin)

public:
    QWidget* createBrowser(QWidget* parent) override {
        // The engine's view is a Qt Quick scene; it draws with OpenGL, as a program that links
        // the engine sets up before its application object exists.
        if (QQuickWindow::graphicsApi() == QSGRendererInterface::Unknown)
            QQuickWindow::setGraphicsApi(QSGRendererInterface::OpenGL);
        return new OffTheRecordView(parent);
    }
    void open(QWidget* browser, const QUrl& url) override {
        if (auto* view = qobject_cast<QWebEngineView*>(browser))
            view->load(url);
    }
};

} // namespace

#include "BrowserView.moc"
