#include "common/core/Clock.h"

#include <QtTest>

class TstClock : public QObject {
    Q_OBJECT

private slots:
    void secondsTextIsTheStatementsForm();
};

void TstClock::secondsTextIsTheStatementsForm() {
    const QString pattern = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    for (const QDateTime& t :
         {QDateTime(QDate(2026, 12, 8), QTime(0, 0, 0)),
          QDateTime(QDate(1999, 1, 31), QTime(23, 59, 59, 999)), QDateTime(QDate(999, 5, 6), QTime(7, 8, 9)),
          QDateTime(QDate(12345, 1, 1), QTime(1, 2, 3)),
          QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC), QDateTime()})
        QCOMPARE(Clock::secondsText(t), t.toString(pattern));
}

QTEST_APPLESS_MAIN(TstClock)
#include "tst_Clock.moc"
