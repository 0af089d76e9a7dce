#include "platform/qt/QtScheduler.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

using namespace moxilane;

TEST(QtScheduler, JobsRunInOrderOffTheMainThreadAndFinishOnIt) {
    QtScheduler scheduler;
    const Qt::HANDLE main = QThread::currentThreadId();
    std::vector<int> values;
    for (int i = 0; i < 4; ++i) {
        // A result built on the worker, handed to the main thread.
        inBackground(
            scheduler,
            [i] {
                return std::pair{i * i, QThread::currentThreadId()};
            },
            [&](std::pair<int, Qt::HANDLE> result) {
                EXPECT_NE(result.second, main);
                EXPECT_EQ(QThread::currentThreadId(), main);
                values.push_back(result.first);
            });
    }
    const QDeadlineTimer deadline(10000);
    while (values.size() < 4 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(values, (std::vector<int>{0, 1, 4, 9}));
}
