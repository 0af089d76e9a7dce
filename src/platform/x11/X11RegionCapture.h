#pragma once

#include "platform/Capture.h"

#include <xcb/xcb.h>

#include <QRect>

#include <cstdint>
#include <optional>
#include <vector>

namespace moxilane::x11 {

// Takes given windows out of a grab of the root window. Where they overlap the area, the
// pixels are painted again from the Composite pixmaps of every other shown top-level window,
// bottom to top, so what lay under them shows and the windows stay where they are. Needs the
// Composite redirect of the root's children, which X11RedirectKeeper holds.
class X11RegionCapture {
public:
    X11RegionCapture(xcb_connection_t* connection, xcb_window_t root);

    // image holds the root's pixels of areaRoot (RGB32). excluded are client or top-level
    // window ids; those not shown or not overlapping cost one tree query.
    [[nodiscard]] std::optional<CaptureError> leaveOut(QImage& image, const QRect& areaRoot,
                                                       const std::vector<std::uint32_t>& excluded);

private:
    struct TopLevel {
        xcb_window_t id;
        QRect rect;
        bool excluded;
    };
    std::vector<TopLevel> shownTopLevels(const std::vector<xcb_window_t>& excludedTop);
    xcb_window_t topLevelOf(xcb_window_t window);
    std::optional<CaptureError> paintFrom(const TopLevel& window, const QRect& part, QImage& image,
                                          const QPoint& imageOrigin);

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    bool m_hasComposite = false;
};

}  // namespace moxilane::x11
