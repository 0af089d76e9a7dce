#pragma once

#include <functional>
#include <utility>

namespace moxilane {

// Runs a completion at most once: Esc twice, or a release after Esc, end a selection once.
template <class Value>
class Completion {
public:
    explicit Completion(std::function<void(Value)> done) : m_done(std::move(done)) {}
    bool isFinished() const { return m_finished; }
    // False, doing nothing, when already finished.
    bool finish(Value value) {
        if (m_finished) return false;
        m_finished = true;
        if (auto done = std::exchange(m_done, {})) done(std::move(value));
        return true;
    }

private:
    std::function<void(Value)> m_done;
    bool m_finished = false;
};

}  // namespace moxilane
