#include "capture/CaptureEngine.h"

namespace moxilane {

namespace {

constexpr double kScaleWithoutScreens = 2.0;

double primaryScale(std::span<const ScreenInfo> screens) {
    return screens.empty() ? kScaleWithoutScreens : screens.front().backingScaleFactor;
}

}  // namespace

std::optional<QImage> CaptureEngine::crop(const QImage& image, const QRectF& rectGlobal,
                                          const ScreenInfo& screen) {
    if (image.isNull()) return std::nullopt;
    const QRect cut = ScreenLayout::imagePixels(rectGlobal, screen, image.size());
    if (cut.width() < 1 || cut.height() < 1) return std::nullopt;
    // Clip to the image, as a platform crop does.
    const QRect clipped = cut.intersected(image.rect());
    if (clipped.isEmpty()) return std::nullopt;
    // A copy of the cut-out: a few megabytes at most, and the snapshot can go at once.
    return image.copy(clipped);
}

double CaptureEngine::backingScale(std::span<const ScreenInfo> screens, std::uint32_t displayID) {
    for (const ScreenInfo& screen : screens) {
        if (screen.displayID == displayID) return screen.backingScaleFactor;
    }
    return primaryScale(screens);
}

double CaptureEngine::backingScaleForWindowFrame(const ScreenLayout& layout,
                                                 const QRectF& frameTopDown) {
    if (const ScreenLayout::Screen* screen = layout.screenAt(frameTopDown.center()))
        return screen->scale;
    return layout.primary() ? layout.primary()->scale : kScaleWithoutScreens;
}

}  // namespace moxilane
