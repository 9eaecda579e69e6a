#include "db/DatabaseWorker.h"

#include "common/core/BusyState.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// A statement answered within this time never lets the window's events in between: most do.
constexpr std::chrono::milliseconds QuickAnswer(20);
// How long a caller watches for its answer before it sleeps.
constexpr std::chrono::microseconds AnswerWatch(200);

struct Answer {
    std::mutex mutex;
    std::condition_variable answered;
    std::atomic<bool> done{false};
    QEventLoop* loop = nullptr; // the waiting loop, while there is one
};

// Watches `ready` for a moment; true when it came meanwhile.
template <typename Ready> bool watchFor(Ready ready, std::chrono::microseconds watch) {
    const auto until = std::chrono::steady_clock::now() + watch;
    do {
        if (ready())
            return true;
        std::this_thread::yield();
    } while (std::chrono::steady_clock::now() < until);
    return ready();
}

bool waitsWithEvents() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread() && !QCoreApplication::closingDown();
}

// Waits up to `ms` for the answer; true when it came.
bool waitFor(const std::shared_ptr<Answer>& answer, int ms) {
    if (watchFor([&] { return answer->done.load(); }, AnswerWatch))
        return true;
    std::unique_lock lock(answer->mutex);
    const auto quick = std::min(QuickAnswer, std::chrono::milliseconds(ms));
    if (answer->answered.wait_for(lock, quick, [&] { return answer->done.load(); }))
        return true;
    if (!waitsWithEvents())
        return answer->answered.wait_for(lock, std::chrono::milliseconds(ms) - quick,
                                         [&] { return answer->done.load(); });
    QEventLoop loop;
    answer->loop = &loop;
    lock.unlock();
    {
        const BusyState::Guard waiting(BusyState::Kind::DatabaseWait);
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(int(ms - quick.count()));
        loop.exec();
    }
    lock.lock();
    answer->loop = nullptr;
    return answer->done.load();
}

} // namespace

DatabaseWorker::DatabaseWorker()
    : m_thread(new QThread), m_context(new QObject), m_jobs(std::make_shared<JobQueue>()) {
    m_thread->setObjectName(QStringLiteral("yjgl database"));
    m_context->moveToThread(m_thread);
    m_thread->start();
}

DatabaseWorker::~DatabaseWorker() {
    if (m_abandoned)
        return; // the thread ends by itself
    m_thread->quit();
    m_thread->wait();
    // A deferred delete posted as the thread finishes is never run once no loop is left to
    // run it (at the end of the process): the ended thread's objects go here.
    delete m_context;
    delete m_thread;
}

bool DatabaseWorker::run(std::function<void()> job, int deadlineMs, const std::function<void()>& interrupt) {
    auto answer = std::make_shared<Answer>();
    send([job = std::move(job), answer] {
        job();
        const std::lock_guard lock(answer->mutex);
        answer->done = true;
        if (answer->loop)
            QMetaObject::invokeMethod(answer->loop, &QEventLoop::quit, Qt::QueuedConnection);
        answer->answered.notify_all();
    });
    if (waitFor(answer, qMax(1, deadlineMs)))
        return true;
    if (interrupt)
        interrupt();
    return waitFor(answer, InterruptGraceMs);
}

struct DatabaseWorker::JobQueue {
    std::mutex mutex;
    std::deque<std::function<void()>> jobs;
    std::atomic<int> queued{0};
    std::atomic<std::chrono::microseconds::rep> nextJobWatch{DatabaseWorker::ShortWatchUs};
    bool watching = false; // a drain runs or is posted: nothing more need be posted

    // Runs the jobs in the order sent, then watches for more for a moment before the thread goes
    // back to its event loop (its engines' timers run there).
    void drain() {
        for (;;) {
            std::function<void()> job;
            {
                const std::lock_guard lock(mutex);
                if (jobs.empty()) {
                    watching = false;
                    return;
                }
                job = std::move(jobs.front());
                jobs.pop_front();
                --queued;
            }
            job();
            (void)watchFor([this] { return queued.load() > 0; },
                           std::chrono::microseconds(nextJobWatch.load(std::memory_order_relaxed)));
        }
    }
};

void DatabaseWorker::setNextJobWatch(std::chrono::microseconds watch) {
    m_jobs->nextJobWatch.store(watch.count(), std::memory_order_relaxed);
}

void DatabaseWorker::send(std::function<void()> job) {
    bool post = false;
    {
        const std::lock_guard lock(m_jobs->mutex);
        m_jobs->jobs.push_back(std::move(job));
        ++m_jobs->queued;
        post = !m_jobs->watching;
        m_jobs->watching = true;
    }
    if (post)
        QMetaObject::invokeMethod(
            m_context, [jobs = m_jobs] { jobs->drain(); }, Qt::QueuedConnection);
}

void DatabaseWorker::abandon(const std::shared_ptr<DatabaseWorker>& worker, std::function<void()> last) {
    QThread* thread = worker->m_thread;
    QObject* context = worker->m_context;
    // Runs on the ending thread itself, after the last job.
    QObject::connect(thread, &QThread::finished, [context] { delete context; });
    worker->send([last = std::move(last), thread] {
        if (last)
            last();
        thread->quit();
    });
    // Deleted by its owner's event loop once it has ended; a thread still stuck when the program
    // ends is left to the end of the process.
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    worker->m_abandoned = true;
}
