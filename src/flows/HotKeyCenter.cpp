#include "flows/HotKeyCenter.h"

namespace moxilane {

HotKeyCenter::HotKeyCenter(KeyGrabber& grabber, Scheduler& scheduler)
    : m_grabber(grabber), m_scheduler(scheduler) {
    // The action never runs inside the window system's event handling: it is queued and
    // runs once the press has been dealt with. Only the number is compared.
    m_grabber.setPressHandler([this, actions = m_actions](HotKeyID pressed) {
        m_scheduler.post([actions, id = pressed.id] {
            const auto found = actions->find(id);
            if (found != actions->end() && found->second) found->second();
        });
    });
}

bool HotKeyCenter::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, Action action) {
    const std::uint32_t id = m_nextID++;
    (*m_actions)[id] = std::move(action);
    return m_grabber.grab(keyCode, modifiers, HotKeyID{hotkeys::kSignature, id});
}

}  // namespace moxilane
