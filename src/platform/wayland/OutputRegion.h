#pragma once

#include <QPoint>
#include <QRect>

#include <cmath>

namespace moxilane::wayland {

// An area of an output asked for in points, as screencopy takes it, that covers the wanted
// device pixels, and where those pixels start in the picture that comes back.
struct OutputRegion {
    QRect logical;
    QPoint offsetDevice;
};

inline OutputRegion outputRegionFor(const QRect& areaDevice, double scale) {
    const int left = int(std::floor(areaDevice.x() / scale));
    const int top = int(std::floor(areaDevice.y() / scale));
    const int right = int(std::ceil((areaDevice.x() + areaDevice.width()) / scale));
    const int bottom = int(std::ceil((areaDevice.y() + areaDevice.height()) / scale));
    return {QRect(left, top, right - left, bottom - top),
            QPoint(areaDevice.x() - int(std::lround(left * scale)),
                   areaDevice.y() - int(std::lround(top * scale)))};
}

}  // namespace moxilane::wayland
