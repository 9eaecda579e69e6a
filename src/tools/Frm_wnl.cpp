#include "tools/Frm_wnl.h"

#include "common/core/MessageService.h"
#include "common/core/ProgramFolder.h"
#include "tools/BrowserLoader.h"
#include "tools/BrowserPlugin.h"
#include "tools/core/CalendarPage.h"

#include <QFileInfo>
#include <QUrl>
#include <QtDebug>

Frm_wnl::Frm_wnl(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Frm_wnl"));
    setWindowTitle(QStringLiteral("万年历"));
    QString error;
    BrowserPlugin* engine = BrowserLoader::plugin(&error);
    if (!engine) {
        // Like every other failure of loading the page, this leaves the window empty; the reason
        // goes to the program's log.
        qWarning().noquote() << "the calendar's browser library could not be loaded:" << error;
    } else {
        m_browser = engine->createBrowser(this);
        m_browser->setObjectName(QStringLiteral("WebBrowser1"));
    }

    const QFileInfo page(pagePath());
    if (!page.isFile()) {
        Messages::show(QStringLiteral("提示"), QStringLiteral("文件未找到"), MsgIcon::Critical);
        return;
    }
    if (engine)
        engine->open(m_browser, QUrl::fromLocalFile(page.absoluteFilePath()));
}

QString Frm_wnl::pagePath() {
    return CalendarPageIn(ProgramFolder::parentPrefix());
}

void Frm_wnl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_browser)
        m_browser->setGeometry(0, 0, width(), height());
}
