#pragma once

#include "platform/Scheduler.h"

#include <QObject>
#include <QThreadPool>

namespace moxilane {

// The Qt event loop as the main queue, and one worker thread: background jobs run one
// after another, so capture connections and files are never used by two at once.
class QtScheduler final : public Scheduler {
public:
    QtScheduler();
    ~QtScheduler() override;

    void post(std::function<void()> task) override;
    void postAfter(std::chrono::milliseconds delay, std::function<void()> task) override;
    void runInBackground(std::function<void()> work, std::function<void()> done) override;
    // Waits for the job under way and those queued; their completions are dropped.
    void finishBackgroundWork() { m_worker.waitForDone(); }

private:
    QObject m_mainThreadContext;  // lives on the main thread; completions are queued to it
    QThreadPool m_worker;
};

}  // namespace moxilane
