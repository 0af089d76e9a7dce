#include "delivery/DesktopImage.h"

#include <QPainter>
#include <QRegion>

namespace moxilane {

Capture desktopImage(const CaptureList& captures) {
    if (captures.empty()) return {};
    QRect bounds;
    QRegion covered;
    for (const Capture& capture : captures) {
        const QRect area(capture.positionDevice, capture.image.size());
        bounds |= area;
        covered += area;
    }
    // Opaque when the displays fill a rectangle, as they mostly do.
    const bool hasGaps = covered != QRegion(bounds);
    QImage image(bounds.size(), hasGaps ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) return {};
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const Capture& capture : captures)
        painter.drawImage(capture.positionDevice - bounds.topLeft(), capture.image);
    painter.end();
    return {std::move(image), captures.front().scale, bounds.topLeft()};
}

}  // namespace moxilane
