#pragma once

#include <QObject>

class QTimer;

// What the program is in the middle of: a statement waiting for the database, an execution, a
// print or an export, a message box. Work that a timer starts (the pending list's refresh) and
// the lost-link road wait until nothing is under way; windows disable their writing commands
// while the program waits for the database. Only the program's own thread counts: guards made
// on other threads do nothing.
class BusyState : public QObject {
    Q_OBJECT
public:
    enum class Kind {
        Work,        // an execution, print, export, message box... under way
        DatabaseWait // a statement sent and not yet answered
    };

    // Held for the duration of one piece of work.
    class Guard {
    public:
        explicit Guard(Kind kind = Kind::Work);
        ~Guard();
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        bool m_counted = false;
        Kind m_kind;
    };

    // A statement that takes longer than this shows the program as waiting.
    static constexpr int WaitingAfterMs = 150;

    static BusyState& instance();

    // Some guard is held.
    bool underWay() const { return m_work + m_database > 0; }
    // A statement has been waiting for an answer longer than a moment.
    bool waitingForDatabase() const { return m_waiting; }

signals:
    void waitingChanged(bool waiting);
    // The last guard ended.
    void idle();

private:
    BusyState();
    void enter(Kind kind);
    void leave(Kind kind);
    void setWaiting(bool waiting);

    int m_work = 0;
    int m_database = 0;
    bool m_waiting = false;
    QTimer* m_waitingTimer = nullptr;
};
