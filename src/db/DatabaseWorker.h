#pragma once

#include <chrono>
#include <functional>
#include <memory>

class QObject;
class QThread;

// The thread on which one connection's statements run. The caller waits for each job; on the
// program's thread the events go on meanwhile (painting, input, timers), so that a server that
// does not answer never freezes a window. Jobs run one after the other in the order sent.
class DatabaseWorker {
public:
    DatabaseWorker();
    ~DatabaseWorker();
    DatabaseWorker(const DatabaseWorker&) = delete;
    DatabaseWorker& operator=(const DatabaseWorker&) = delete;

    // Runs `job` on the worker's thread and waits for it. After `deadlineMs` without an answer
    // `interrupt` is called from the waiting thread, and the job has a short while more to
    // return. False when it still has not: the job goes on alone and the worker must be given
    // up (`abandon`). The job may outlive this call: it must own what it touches.
    [[nodiscard]] bool run(std::function<void()> job, int deadlineMs, const std::function<void()>& interrupt);

    // Gives up a worker whose job did not answer: `last` runs on its thread once the job
    // returns, and then the thread ends and goes away by itself.
    static void abandon(const std::shared_ptr<DatabaseWorker>& worker, std::function<void()> last);

    // How long an interrupted job may take to return.
    static constexpr int InterruptGraceMs = 2000;

    // How long the thread watches for the next job after one before it goes back to its event
    // loop, in microseconds. Waking it from there costs more than a short statement (tens of
    // microseconds on a virtual machine), and a window's statements come in bursts; while the
    // work is done by a server's process, a watching thread would take the processor from it.
    static constexpr int ShortWatchUs = 200;
    static constexpr int LongWatchUs = 1000;
    void setNextJobWatch(std::chrono::microseconds watch);

private:
    // Jobs wait in a queue of their own. After its last job the thread watches the queue for a
    // moment before it goes back to its event loop: the statements of one execution follow each
    // other closely, and each would otherwise cost a wake-up of the thread and of its caller.
    // The queue outlives a given-up worker: its thread drains it to the end.
    struct JobQueue;
    void send(std::function<void()> job);

    QThread* m_thread = nullptr;
    QObject* m_context = nullptr; // lives on m_thread; the queue's drain is posted to it
    bool m_abandoned = false;
    std::shared_ptr<JobQueue> m_jobs;
};
