#include "delivery/ThumbnailPlacement.h"

#include <algorithm>

namespace moxilane {

namespace {
constexpr double kMaxWidth = 260, kMaxHeight = 180;
constexpr double kMinWidth = 60, kMinHeight = 40;
constexpr double kMargin = 16;
}  // namespace

QSizeF thumbnailSizePoints(QSizeF captureSizePoints) {
    const double w = captureSizePoints.width(), h = captureSizePoints.height();
    QSizeF size(w, h);
    // An empty side gives an infinite factor; the other side then decides.
    const double f = std::min(w > 0 ? kMaxWidth / w : 1e9, h > 0 ? kMaxHeight / h : 1e9);
    if (f <= 1) size = QSizeF(w * f, h * f);
    return QSizeF(std::max(size.width(), kMinWidth), std::max(size.height(), kMinHeight));
}

QRectF thumbnailFramePoints(const QRectF& workAreaPoints, QSizeF thumbnailSize) {
    return QRectF(workAreaPoints.right() - thumbnailSize.width() - kMargin,
                  workAreaPoints.bottom() - thumbnailSize.height() - kMargin, thumbnailSize.width(),
                  thumbnailSize.height());
}

}  // namespace moxilane
