#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace moxilane {

// Where the image sits in the canvas view: fitted with its aspect kept, centred, enlarged when
// smaller than the view. View points have y down, like image pixels. Recomputed on every use
// from the two sizes, never stored, so a resize can never leave a stale mapping behind.
class CanvasMapping {
public:
    CanvasMapping(QSizeF viewSize, QSizeF imageSize);
    // Shows only imageRect (image pixels) of the image, as after a crop.
    CanvasMapping(QSizeF viewSize, QRectF imageRect);

    // In view points; the whole view when the image has no pixels.
    QRectF displayRect() const { return m_displayRect; }
    // View points per image pixel; 0 while the view has no width or height.
    double displayScale() const;
    // (0, 0) while the display scale is 0, so a collapsed view never divides by zero.
    QPointF viewToImage(QPointF viewPoint) const;
    QPointF imageToView(QPointF imagePoint) const;
    // The image-pixel line width that shows lineWidthPoints wide at this zoom.
    double creationWidth(double lineWidthPoints) const;

private:
    QPointF m_imageOrigin;
    QSizeF m_imageSize;
    QRectF m_displayRect;
};

}  // namespace moxilane
