#pragma once

#include "platform/Scheduler.h"

#include <QObject>
#include <QSocketNotifier>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace moxilane {

// The Qt event loop as the main queue, and one worker thread: background jobs run one
// after another, so capture connections and files are never used by two at once.
// Jobs and their completions pass between the threads through our own mutex and an
// eventfd, so the hand-offs are plain to ThreadSanitizer as well (Qt's queues synchronise
// out of its sight). Made on the main thread, after the application object.
class QtScheduler final : public Scheduler {
public:
    QtScheduler();
    ~QtScheduler() override;

    void post(std::function<void()> task) override;
    void postAfter(std::chrono::milliseconds delay, std::function<void()> task) override;
    void runInBackground(std::function<void()> work, std::function<void()> done) override;
    // Waits for the job under way and those queued; their completions are dropped.
    void finishBackgroundWork();

private:
    struct Job {
        std::function<void()> work;
        std::function<void()> done;
    };

    void runWorker();
    void runCompletions();

    QObject m_mainThreadContext;  // posted tasks and timers run on it, on the main thread
    int m_wakeFd;                 // eventfd: the worker counts up, the main thread drains it
    QSocketNotifier m_wakeNotifier;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;                         // waiting for the worker
    std::deque<std::function<void()>> m_completed;  // waiting for the main thread
    bool m_busy = false;                            // the worker is running a job
    bool m_dropCompletions = false;
    bool m_stopping = false;
    std::thread m_worker;  // last: starts once the rest is ready
};

}  // namespace moxilane
