#pragma once

#include "platform/Scheduler.h"

#include <deque>
#include <map>

namespace moxilane::test {

// The main queue as a list the test drains, with a clock the test advances. Background
// work runs on the main queue too, in its turn, so a test can act between the start of
// a job and its completion.
class FakeScheduler final : public Scheduler {
public:
    void post(std::function<void()> task) override { m_queue.push_back(std::move(task)); }
    void postAfter(std::chrono::milliseconds delay, std::function<void()> task) override {
        m_timed.emplace(m_now + delay, std::move(task));
    }
    void runInBackground(std::function<void()> work, std::function<void()> done) override {
        m_queue.push_back([work = std::move(work), done = std::move(done)] { work(), done(); });
    }

    // Runs queued tasks, including those they queue, until none is left.
    void runUntilIdle() {
        while (!m_queue.empty()) {
            auto task = std::move(m_queue.front());
            m_queue.pop_front();
            task();
        }
    }
    // Moves the clock on, running each timed task when its time comes.
    void advance(std::chrono::milliseconds by) {
        const auto end = m_now + by;
        runUntilIdle();
        while (!m_timed.empty() && m_timed.begin()->first <= end) {
            auto node = m_timed.extract(m_timed.begin());
            m_now = node.key();
            node.mapped()();
            runUntilIdle();
        }
        m_now = end;
    }

private:
    std::chrono::milliseconds m_now{0};
    std::deque<std::function<void()>> m_queue;
    std::multimap<std::chrono::milliseconds, std::function<void()>> m_timed;
};

}  // namespace moxilane::test
