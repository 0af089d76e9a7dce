#include "platform/qt/QtScheduler.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace moxilane {

namespace {
const QEvent::Type kCompletionsReady = QEvent::Type(QEvent::User + 1);
}

QtScheduler::QtScheduler() : m_worker([this] { runWorker(); }) {}

QtScheduler::~QtScheduler() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_dropCompletions = true;
    }
    m_changed.notify_all();
    m_worker.join();
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
            // The event carries nothing of ours: what it announces waits in m_completed.
            QCoreApplication::postEvent(&m_mainThreadContext, new QEvent(kCompletionsReady));
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

bool QtScheduler::MainThreadContext::event(QEvent* event) {
    if (event->type() != kCompletionsReady) return QObject::event(event);
    m_scheduler.runCompletions();
    return true;
}

}  // namespace moxilane
