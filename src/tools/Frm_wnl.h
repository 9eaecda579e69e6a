#pragma once

#include <QWidget>

class QWebEngineView;

// The perpetual calendar: the page "LBReg/wnl.htm" beside the program folder in an embedded
// browser that fills the window.
class Frm_wnl : public QWidget {
    Q_OBJECT
public:
    explicit Frm_wnl(QWidget* parent = nullptr);
    ~Frm_wnl() override;

    // The page of the running program (parent-prefix rule).
    static QString pagePath();

    QWebEngineView* browser() const { return m_browser; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWebEngineView* m_browser = nullptr;
};
