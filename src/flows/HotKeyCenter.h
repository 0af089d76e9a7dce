#pragma once

#include "platform/KeyGrabber.h"
#include "platform/Scheduler.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace moxilane {

// System-wide shortcuts: registers key positions with the window system and runs the
// registered action on the main thread after the press has been handled. Knows nothing
// of captures.
class HotKeyCenter {
public:
    using Action = std::function<void()>;

    HotKeyCenter(KeyGrabber& grabber, Scheduler& scheduler);

    // Takes the next identifier even when the system refuses the key. False when it was
    // refused: the key is left out (its action stays, unreachable).
    bool registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, Action action);

private:
    using Actions = std::map<std::uint32_t, Action>;

    KeyGrabber& m_grabber;
    Scheduler& m_scheduler;
    // Shared with the queued presses, so a press already queued still finds its action.
    std::shared_ptr<Actions> m_actions = std::make_shared<Actions>();
    std::uint32_t m_nextID = 1;
};

}  // namespace moxilane
