#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace moxilane {

// The main thread's queue and the worker that takes slow work off it. The main thread
// owns all program state: work handed to runInBackground takes values in and hands
// values back, and its completion runs on the main thread.
class Scheduler {
public:
    virtual ~Scheduler() = default;
    // Runs task on the main thread after the current event has been handled.
    virtual void post(std::function<void()> task) = 0;
    virtual void postAfter(std::chrono::milliseconds delay, std::function<void()> task) = 0;
    // Runs work on the worker (jobs run one after another, in order), then done on the
    // main thread.
    virtual void runInBackground(std::function<void()> work, std::function<void()> done) = 0;
};

// runInBackground with a result carried from the worker to the main thread.
template <class Work, class Done>
void inBackground(Scheduler& scheduler, Work work, Done done) {
    using Result = std::invoke_result_t<Work>;
    auto result = std::make_shared<std::optional<Result>>();
    scheduler.runInBackground(
        [result, work = std::move(work)]() mutable { result->emplace(work()); },
        [result, done = std::move(done)]() mutable { done(std::move(**result)); });
}

}  // namespace moxilane
