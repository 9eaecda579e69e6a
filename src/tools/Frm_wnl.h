#pragma once

#include <QWidget>

// The perpetual calendar: the page "LBReg/wnl.htm" beside the program folder in an embedded
// browser that fills the window. The browser engine loads with the first calendar window
// (BrowserLoader), not with the program.
class Frm_wnl : public QWidget {
    Q_OBJECT
public:
    explicit Frm_wnl(QWidget* parent = nullptr);

    // The page of the running program (parent-prefix rule).
    static QString pagePath();

    // The browser view (a QWebEngineView); null when the browser library could not be loaded.
    QWidget* browser() const { return m_browser; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_browser = nullptr;
};
