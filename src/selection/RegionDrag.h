#pragma once

#include <QPointF>
#include <QRectF>

#include <functional>
#include <optional>
#include <utility>

namespace moxilane {

// The drag on one overlay, in its view points. The rectangle is always derived from the
// two corners, never stored.
class RegionDrag {
public:
    void press(QPointF at) { m_start = m_current = at; }
    void moveTo(QPointF at) {
        if (m_start) m_current = at;
    }
    bool hasStarted() const { return m_start.has_value(); }
    // Absent before the first press.
    std::optional<QRectF> selection() const;

private:
    std::optional<QPointF> m_start;
    std::optional<QPointF> m_current;
};

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
