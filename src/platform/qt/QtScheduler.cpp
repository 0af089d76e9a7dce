#include "platform/qt/QtScheduler.h"

#include <QTimer>

namespace moxilane {

QtScheduler::QtScheduler() {
    m_worker.setMaxThreadCount(1);
}

QtScheduler::~QtScheduler() {
    m_worker.waitForDone();
}

void QtScheduler::post(std::function<void()> task) {
    QMetaObject::invokeMethod(&m_mainThreadContext, std::move(task), Qt::QueuedConnection);
}

void QtScheduler::postAfter(std::chrono::milliseconds delay, std::function<void()> task) {
    QTimer::singleShot(delay, &m_mainThreadContext, std::move(task));
}

void QtScheduler::runInBackground(std::function<void()> work, std::function<void()> done) {
    m_worker.start([this, work = std::move(work), done = std::move(done)]() mutable {
        work();
        QMetaObject::invokeMethod(&m_mainThreadContext, std::move(done), Qt::QueuedConnection);
    });
}

}  // namespace moxilane
