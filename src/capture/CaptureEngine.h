#pragma once

#include "platform/Screens.h"

#include <QImage>
#include <QRectF>

#include <cstdint>
#include <optional>
#include <span>

namespace moxilane {

// The geometry of captures: cutting a selection out of a frozen display image and
// finding the pixel scale of a display or a window. Pure functions of their arguments;
// the screens are passed in as the window system lists them, primary first.
class CaptureEngine {
public:
    // rectGlobal is in global points (y up) and lies on screen; image shows the whole of
    // screen. The factors come from the image, so a snapshot whose size is not exactly
    // points × scale still cuts in place.
    static std::optional<QImage> crop(const QImage& image, const QRectF& rectGlobal,
                                      const ScreenInfo& screen);

    // The scale of the screen with that identifier; else the primary screen's; else 2.
    static double backingScale(std::span<const ScreenInfo> screens, std::uint32_t displayID);

    // frameTopDown is a window frame in global points, y down. The screen holding the
    // frame's centre gives the scale; else the primary screen's; else 2.
    static double backingScaleForWindowFrame(const ScreenLayout& layout,
                                             const QRectF& frameTopDown);
};

}  // namespace moxilane
