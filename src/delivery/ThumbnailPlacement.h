#pragma once

#include <QRectF>
#include <QSizeF>

namespace moxilane {

// The thumbnail's size in points for a capture of captureSizePoints: fitted into 260 × 180,
// never enlarged, then raised to at least 60 × 40 (the only case where the aspect changes).
QSizeF thumbnailSizePoints(QSizeF captureSizePoints);

// Where the thumbnail goes: 16 points in from the bottom-right corner of the screen's work
// area (the part no panel covers). Both rectangles in Qt's global points, y down.
QRectF thumbnailFramePoints(const QRectF& workAreaPoints, QSizeF thumbnailSize);

}  // namespace moxilane
