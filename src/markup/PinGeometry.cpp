#include "markup/PinGeometry.h"

#include <algorithm>
#include <cmath>

namespace moxilane {

namespace {

constexpr double kWorkAreaShare = 0.8;
constexpr double kZoomPerNotch = 1.1;

}  // namespace

QSizeF pinSizePoints(QSize imagePixels, double scale, std::optional<QSizeF> workAreaPoints) {
    const double pointScale = scale > 0 ? scale : 1.0;
    QSizeF size = QSizeF(imagePixels) / pointScale;
    if (workAreaPoints && !workAreaPoints->isEmpty()) {
        const QSizeF room = *workAreaPoints * kWorkAreaShare;
        if (size.width() > room.width() || size.height() > room.height())
            size.scale(room, Qt::KeepAspectRatio);
    }
    return size.expandedTo(QSizeF(1, 1));
}

double pinZoomAfterWheel(double zoom, int angleDelta) {
    const double zoomed = zoom * std::pow(kZoomPerNotch, angleDelta / 120.0);
    return std::clamp(zoomed, kPinZoomMin, kPinZoomMax);
}

}  // namespace moxilane
