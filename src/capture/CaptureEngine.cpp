#include "capture/CaptureEngine.h"

#include <cmath>

namespace moxilane {

namespace {

constexpr double kScaleWithoutScreens = 2.0;

double primaryScale(std::span<const ScreenInfo> screens) {
    return screens.empty() ? kScaleWithoutScreens : screens.front().backingScaleFactor;
}

// Half-open on the far edges, so a point on the border between two screens belongs to one.
bool contains(const QRectF& r, double x, double y) {
    return r.left() <= x && x < r.left() + r.width() && r.top() <= y && y < r.top() + r.height();
}

}  // namespace

std::optional<QImage> CaptureEngine::crop(const QImage& image, const QRectF& rectGlobal,
                                          const ScreenInfo& screen) {
    const QRectF& frame = screen.frame;
    if (image.isNull() || frame.width() <= 0 || frame.height() <= 0) return std::nullopt;
    const double sx = image.width() / frame.width();
    const double sy = image.height() / frame.height();
    const double frameMaxY = frame.top() + frame.height();
    const double rectMaxY = rectGlobal.top() + rectGlobal.height();

    const auto x = static_cast<long long>(std::floor(sx * (rectGlobal.left() - frame.left())));
    const auto y = static_cast<long long>(std::floor(sy * (frameMaxY - rectMaxY)));
    const auto width = static_cast<long long>(std::floor(sx * rectGlobal.width()));
    const auto height = static_cast<long long>(std::floor(sy * rectGlobal.height()));
    if (width < 1 || height < 1) return std::nullopt;

    // Clip to the image, as a platform crop does.
    const long long left = std::max(x, 0LL);
    const long long top = std::max(y, 0LL);
    const long long right = std::min(x + width, static_cast<long long>(image.width()));
    const long long bottom = std::min(y + height, static_cast<long long>(image.height()));
    if (right <= left || bottom <= top) return std::nullopt;

    // A copy of the cut-out: a few megabytes at most, and the snapshot can go at once.
    return image.copy(QRect(static_cast<int>(left), static_cast<int>(top),
                            static_cast<int>(right - left), static_cast<int>(bottom - top)));
}

double CaptureEngine::backingScale(std::span<const ScreenInfo> screens, std::uint32_t displayID) {
    for (const ScreenInfo& screen : screens) {
        if (screen.displayID == displayID) return screen.backingScaleFactor;
    }
    return primaryScale(screens);
}

double CaptureEngine::backingScaleForWindowFrame(std::span<const ScreenInfo> screens,
                                                 const QRectF& frameTopDown) {
    const double top =
        screens.empty() ? 0.0 : screens.front().frame.top() + screens.front().frame.height();
    const double x = frameTopDown.center().x();
    const double y = top - frameTopDown.center().y();
    for (const ScreenInfo& screen : screens) {
        if (contains(screen.frame, x, y)) return screen.backingScaleFactor;
    }
    return primaryScale(screens);
}

}  // namespace moxilane
