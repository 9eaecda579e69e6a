#include "tools/Frm_wnl.h"

#include "common/core/MessageService.h"
#include "common/core/ProgramFolder.h"
#include "tools/core/CalendarPage.h"

#include <QFileInfo>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

Frm_wnl::Frm_wnl(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Frm_wnl"));
    setWindowTitle(QStringLiteral("万年历"));
    // An off-the-record profile: showing the page writes no cache or cookies to disk.
    auto* profile = new QWebEngineProfile(this);
    m_browser = new QWebEngineView(this);
    m_browser->setObjectName(QStringLiteral("WebBrowser1"));
    m_browser->setPage(new QWebEnginePage(profile, m_browser));

    const QFileInfo page(pagePath());
    if (!page.isFile()) {
        Messages::show(QStringLiteral("提示"), QStringLiteral("文件未找到"), MsgIcon::Critical);
        return;
    }
    m_browser->load(QUrl::fromLocalFile(page.absoluteFilePath()));
}

Frm_wnl::~Frm_wnl() {
    delete m_browser; // the page goes before its profile
}

QString Frm_wnl::pagePath() {
    return CalendarPageIn(ProgramFolder::parentPrefix());
}

void Frm_wnl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_browser->setGeometry(0, 0, width(), height());
}
