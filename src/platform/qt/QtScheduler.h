#pragma once

#include "platform/Scheduler.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace moxilane {

// The Qt event loop as the main queue, and one worker thread: background jobs run one
// after another, so capture connections and files are never used by two at once.
// Jobs and their completions pass between the threads through our own mutex, so the
// hand-offs are plain to ThreadSanitizer as well (Qt's queues synchronise out of its
// sight).
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
    // Lives on the main thread; an event sent to it runs the completions that are ready.
    class MainThreadContext final : public QObject {
    public:
        explicit MainThreadContext(QtScheduler& scheduler) : m_scheduler(scheduler) {}
        bool event(QEvent* event) override;

    private:
        QtScheduler& m_scheduler;
    };
    struct Job {
        std::function<void()> work;
        std::function<void()> done;
    };

    void runWorker();
    void runCompletions();

    MainThreadContext m_mainThreadContext{*this};
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
