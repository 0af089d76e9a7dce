#pragma once

#include <QRectF>

#include <cstdint>
#include <vector>

namespace moxilane {

// A screen as the window system lays it out. The frame is in global points with the
// origin at the bottom left of the primary screen and y growing upwards, so the
// geometry rules of the capture flows read the same on every platform.
struct ScreenInfo {
    std::uint32_t displayID = 0;  // equal to the capture service's DisplayInfo::displayID
    QRectF frame;                 // global points, y up
    double backingScaleFactor = 1.0;
};

// Turns a rectangle between Qt's y-down global coordinates and the y-up ones above; its
// own inverse. primaryBottom is the bottom edge of the primary screen in y-down terms.
inline QRectF flipVertically(const QRectF& rect, double primaryBottom) {
    return QRectF(rect.x(), primaryBottom - rect.y() - rect.height(), rect.width(), rect.height());
}

// The screens of the window system, primary first. Main thread only.
class ScreenList {
public:
    virtual ~ScreenList() = default;
    virtual std::vector<ScreenInfo> screens() const = 0;
};

}  // namespace moxilane
