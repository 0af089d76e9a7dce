#pragma once

#include "platform/KeyGrabber.h"
#include "platform/Scheduler.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace moxilane {

// System-wide shortcuts: registers key positions with the window system and runs the
// registered action on the main thread after the press has been handled. Knows nothing
// of captures.
class HotKeyCenter {
public:
    using Action = std::function<void()>;
    static constexpr std::uint32_t kSignature = 0x4D584C4E;  // 'MXLN'
    static constexpr std::uint32_t kControl = 4096;
    static constexpr std::uint32_t kShift = 512;

    HotKeyCenter(KeyGrabber& grabber, Scheduler& scheduler);

    // Takes the next identifier even when the system refuses the key; a refused key is
    // left out silently (its action stays, unreachable) and the menu still offers it.
    void registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, Action action);

    std::size_t grabbedCount() const { return m_grabbed.size(); }
    std::uint32_t nextID() const { return m_nextID; }

private:
    using Actions = std::map<std::uint32_t, Action>;

    KeyGrabber& m_grabber;
    Scheduler& m_scheduler;
    // Shared with the queued presses, so a press already queued still finds its action.
    std::shared_ptr<Actions> m_actions = std::make_shared<Actions>();
    std::vector<std::uint32_t> m_grabbed;
    std::uint32_t m_nextID = 1;
};

}  // namespace moxilane
