#include "platform/qt/QtScheduler.h"

#include <QTimer>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace moxilane {

QtScheduler::QtScheduler()
    : m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_wakeNotifier(m_wakeFd, QSocketNotifier::Read),
      m_worker([this] { runWorker(); }) {
    QObject::connect(&m_wakeNotifier, &QSocketNotifier::activated, &m_mainThreadContext, [this] {
        std::uint64_t count = 0;
        while (read(m_wakeFd, &count, sizeof count) > 0) {
        }
        runCompletions();
    });
}

QtScheduler::~QtScheduler() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_dropCompletions = true;
    }
    m_changed.notify_all();
    m_worker.join();
    close(m_wakeFd);
}

void QtScheduler::post(std::function<void()> task) {
    QMetaObject::invokeMethod(&m_mainThreadContext, std::move(task), Qt::QueuedConnection);
}

void QtScheduler::postAfter(std::chrono::milliseconds delay, std::function<void()> task) {
    QTimer::singleShot(delay, &m_mainThreadContext, std::move(task));
}

void QtScheduler::runInBackground(std::function<void()> work, std::function<void()> done) {
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back({std::move(work), std::move(done)});
    }
    m_changed.notify_all();
}

void QtScheduler::finishBackgroundWork() {
    std::unique_lock lock(m_mutex);
    m_dropCompletions = true;
    m_completed.clear();
    m_changed.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

void QtScheduler::runWorker() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_jobs.empty()) return;  // stopping, nothing left to do
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        job.work();
        lock.lock();
        m_busy = false;
        if (!m_dropCompletions) {
            m_completed.push_back(std::move(job.done));
            // A counter the main thread watches; nothing of Qt's is touched off its thread.
            const std::uint64_t one = 1;
            [[maybe_unused]] const auto written = write(m_wakeFd, &one, sizeof one);
        }
        m_changed.notify_all();
        lock.unlock();
        job = {};  // the job's captures go on this thread, outside the lock
        lock.lock();
    }
}

void QtScheduler::runCompletions() {
    for (;;) {
        std::function<void()> done;
        {
            std::lock_guard lock(m_mutex);
            if (m_completed.empty()) return;
            done = std::move(m_completed.front());
            m_completed.pop_front();
        }
        if (done) done();
    }
}

}  // namespace moxilane
