#pragma once

#include "platform/x11/TopLevelRedirects.h"
#include "platform/x11/Xcb.h"

#include <QObject>

#include <memory>
#include <optional>

class QSocketNotifier;

namespace moxilane::x11 {

// Keeps the root's children redirected through Composite while the agent runs, so that a
// window capture reads covered parts as the window drew them. On a connection of its own,
// which the redirects last as long as; reads the server's notifications on the main thread.
class X11RedirectKeeper final : public QObject {
public:
    X11RedirectKeeper();
    ~X11RedirectKeeper() override;

private:
    void readEvents();
    void handle(const xcb_generic_event_t& event);
    void apply(TopLevelRedirects::Step step, xcb_window_t window);
    void redirect(xcb_window_t window);

    Connection m_connection;
    std::optional<TopLevelRedirects> m_redirects;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace moxilane::x11
