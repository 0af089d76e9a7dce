#include "markup/CanvasMapping.h"

#include <algorithm>

namespace moxilane {

CanvasMapping::CanvasMapping(QSizeF viewSize, QSizeF imageSize)
    : m_imageSize(imageSize), m_displayRect(QPointF(0, 0), viewSize) {
    if (imageSize.width() > 0 && imageSize.height() > 0) {
        const double s =
            std::min(viewSize.width() / imageSize.width(), viewSize.height() / imageSize.height());
        const QSizeF shown = imageSize * s;
        m_displayRect = QRectF(QPointF((viewSize.width() - shown.width()) / 2,
                                       (viewSize.height() - shown.height()) / 2),
                               shown);
    }
}

CanvasMapping::CanvasMapping(QSizeF viewSize, QRectF imageRect)
    : CanvasMapping(viewSize, imageRect.size()) {
    m_imageOrigin = imageRect.topLeft();
}

double CanvasMapping::displayScale() const {
    return m_imageSize.width() > 0 ? m_displayRect.width() / m_imageSize.width() : 1.0;
}

QPointF CanvasMapping::viewToImage(QPointF p) const {
    const double s = displayScale();
    if (!(s > 0)) return {0, 0};
    return m_imageOrigin + (p - m_displayRect.topLeft()) / s;
}

QPointF CanvasMapping::imageToView(QPointF q) const {
    return m_displayRect.topLeft() + (q - m_imageOrigin) * displayScale();
}

double CanvasMapping::creationWidth(double lineWidthPoints) const {
    return lineWidthPoints * m_imageSize.width() / std::max(m_displayRect.width(), 1.0);
}

}  // namespace moxilane
