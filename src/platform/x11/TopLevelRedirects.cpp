#include "platform/x11/TopLevelRedirects.h"

namespace moxilane::x11 {

TopLevelRedirects::Step TopLevelRedirects::redirect(Window window) {
    return m_redirected.insert(window).second ? Step::now : Step::none;
}

TopLevelRedirects::Step TopLevelRedirects::existing(Window window) {
    // The server's own (Composite's overlay layer) stays as the server keeps it.
    if (isServers(window) || isOurs(window)) return Step::none;
    return redirect(window);
}

TopLevelRedirects::Step TopLevelRedirects::created(Window window, Window parent,
                                                   bool overrideRedirect) {
    // A managed window may yet turn out to be the frame of one of ours, and one of ours may
    // yet go onto the screen hold: both wait for their map.
    if (parent != m_root || !overrideRedirect || isServers(window) || isOurs(window))
        return Step::none;
    return redirect(window);
}

void TopLevelRedirects::reparented(Window window, Window parent) {
    if (parent == m_root) return;
    if (isOurs(window)) m_ourFrames.insert(parent);
    m_waiting.erase(window);
}

TopLevelRedirects::Step TopLevelRedirects::mapped(Window window, Window parent) {
    if (parent != m_root || isServers(window) || m_redirected.contains(window)) return Step::none;
    if (!isOurs(window) && !m_ourFrames.contains(window)) return redirect(window);
    m_waiting.insert(window);
    return Step::later;
}

void TopLevelRedirects::unmapped(Window window) {
    m_waiting.erase(window);
}

void TopLevelRedirects::destroyed(Window window) {
    m_redirected.erase(window);
    m_waiting.erase(window);
    m_ourFrames.erase(window);
}

bool TopLevelRedirects::due(Window window) {
    return m_waiting.erase(window) > 0 && redirect(window) == Step::now;
}

}  // namespace moxilane::x11
