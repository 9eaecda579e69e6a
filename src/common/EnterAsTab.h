#pragma once

#include <QObject>

class QWidget;

// Enter moves the focus on to the next control in tab order. keyCode 13 (or Qt::Key_Return,
// Qt::Key_Enter) is acted on; it is set to 0 when the focus was moved so the caller swallows
// the key, and left alone in a multi-line text box, where Enter keeps its meaning.
void EnterAsTab(QWidget* window, int& keyCode);

// The window's key preview: installed on a window, it runs EnterAsTab for every Enter pressed
// in one of the window's controls.
class EnterAsTabFilter : public QObject {
    Q_OBJECT
public:
    explicit EnterAsTabFilter(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
};
