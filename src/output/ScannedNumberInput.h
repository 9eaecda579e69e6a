#pragma once

#include <QObject>
#include <QString>

class QLineEdit;
class QTimer;

// Lets a keyboard-type barcode scanner fill a number box. A scanner types the digits of the
// code within a few milliseconds and ends with Enter; a person types far slower. Keys that come
// in such a burst are held back; when Enter closes a burst of at least `length` characters the
// box gets the scanned code alone, replacing what it held (for example the date it starts
// with). Keys of a person reach the box unchanged, a moment later.
class ScannedNumberInput : public QObject {
    Q_OBJECT
public:
    static constexpr int kBurstGapMs = 40;

    ScannedNumberInput(QLineEdit* box, int length);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void release();

    QLineEdit* m_box;
    int m_length;
    QString m_held;
    QTimer* m_timer;
};
