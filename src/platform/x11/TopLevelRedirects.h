#pragma once

#include <cstdint>
#include <unordered_set>

namespace moxilane::x11 {

// Which of the root's children to keep redirected through Composite, and when, from the
// server's notifications about them. A redirect gives a window a pixmap of its own, so its
// covered parts can be read. Most windows are redirected as soon as they are known; a framed
// window of ours only once it has been shown a while: the pixmap the server makes for a window
// redirected as it maps is fresh memory, which for the 4K editor held its first paint back by
// some 70 ms.
class TopLevelRedirects {
public:
    using Window = std::uint32_t;
    // What the resource ids of our own connection, and of the server's own windows, look like.
    struct Ids {
        std::uint32_t ourBase = 0;
        std::uint32_t mask = 0;
    };
    enum class Step { none, now, later };

    TopLevelRedirects(Window root, Ids ids) : m_root(root), m_ids(ids) {}

    // A child of the root when we started.
    Step existing(Window window);
    Step created(Window window, Window parent, bool overrideRedirect);
    void reparented(Window window, Window parent);
    Step mapped(Window window, Window parent);
    void unmapped(Window window);
    void destroyed(Window window);
    // The time given by later has passed: true when the window is to be redirected now.
    bool due(Window window);

private:
    bool isServers(Window window) const { return (window & ~m_ids.mask) == 0; }
    bool isOurs(Window window) const { return (window & ~m_ids.mask) == m_ids.ourBase; }
    Step redirect(Window window);

    Window m_root;
    Ids m_ids;
    std::unordered_set<Window> m_redirected;
    std::unordered_set<Window> m_waiting;    // ours, shown, for their time to come
    std::unordered_set<Window> m_ourFrames;  // frames the window manager made for our windows
};

}  // namespace moxilane::x11
