#include "platform/qt/QtScheduler.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

using namespace moxilane;

TEST(QtScheduler, JobsRunInOrderOffTheMainThreadAndFinishOnIt) {
    QtScheduler scheduler;
    struct Result {
        int value;
        Qt::HANDLE workThread;
    };
    std::vector<int> values;
    std::vector<Qt::HANDLE> doneThreads;
    std::vector<Qt::HANDLE> workThreads;
    for (int i = 0; i < 4; ++i) {
        // A result built on the worker, handed to the main thread.
        inBackground(
            scheduler,
            [i] {
                return Result{i * i, QThread::currentThreadId()};
            },
            [&](Result result) {
                values.push_back(result.value);
                workThreads.push_back(result.workThread);
                doneThreads.push_back(QThread::currentThreadId());
            });
    }
    const QDeadlineTimer deadline(10000);
    while (values.size() < 4 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

    EXPECT_EQ(values, (std::vector<int>{0, 1, 4, 9}));
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_NE(workThreads[i], QThread::currentThreadId());
        EXPECT_EQ(doneThreads[i], QThread::currentThreadId());
    }
}
