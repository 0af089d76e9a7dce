// The crop tool's rules: setting a rectangle, applying or cancelling it, and drawing it.
#include "markup/MarkupCanvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace moxilane {

namespace {

// The whole pixels a rectangle of image points covers most of.
QRect wholePixels(QRectF rect) {
    const auto round = [](double v) { return static_cast<int>(std::lround(v)); };
    const QPoint topLeft(round(rect.left()), round(rect.top()));
    return QRect(topLeft,
                 QSize(round(rect.right()) - topLeft.x(), round(rect.bottom()) - topLeft.y()));
}

constexpr int kMinimumCropSide = 4;

}  // namespace

void MarkupCanvas::setCurrentTool(MarkupTool tool) {
    m_currentTool = tool;
    if (tool != MarkupTool::crop) cancelCrop();
}

QRect MarkupCanvas::visibleRect() const {
    return m_crop.value_or(m_baseImage.rect());
}

void MarkupCanvas::beginCrop(QPointF imagePoint) {
    m_selection = nullptr;
    m_pendingCropBeforeDrag = m_pendingCrop;
    m_cropAnchor = imagePoint;
    m_pendingCrop = QRectF(imagePoint, imagePoint);
    m_phase = Phase::cropping;
    redraw();
}

// Only what lies between the old and the new rectangle changes: its shade and outline.
void MarkupCanvas::dragCrop(QPointF imagePoint) {
    const CanvasMapping view = mapping();
    const auto inView = [&view](QRectF r) {
        return QRectF(view.imageToView(r.topLeft()), view.imageToView(r.bottomRight()));
    };
    QRectF dirty = inView(*m_pendingCrop);
    m_pendingCrop = QRectF(m_cropAnchor, imagePoint).normalized();
    dirty |= inView(*m_pendingCrop);
    redraw(dirty.adjusted(-3, -3, 3, 3));
}

// A click, or a drag too small to crop, keeps the rectangle set before it: the first click of
// the double-click that applies it must not replace it.
void MarkupCanvas::finishCrop() {
    const QRect rect = wholePixels(*m_pendingCrop) & visibleRect();
    if (rect.width() < kMinimumCropSide || rect.height() < kMinimumCropSide)
        m_pendingCrop = m_pendingCropBeforeDrag;
    m_pendingCropBeforeDrag.reset();
    redraw();
}

// Elsewhere the second click of a double-click is a press like the first.
void MarkupCanvas::mouseDoubleClick(const QMouseEvent& event) {
    if (event.button() == Qt::LeftButton && m_currentTool == MarkupTool::crop && m_pendingCrop)
        applyCrop();
    else
        mousePress(event);
}

bool MarkupCanvas::applyCrop() {
    if (!m_pendingCrop) return false;
    const QRect rect = wholePixels(*m_pendingCrop) & visibleRect();
    m_pendingCrop.reset();
    if (rect.width() < kMinimumCropSide || rect.height() < kMinimumCropSide) {
        redraw();
        return false;
    }
    recordEdit();
    m_crop = rect;
    m_selection = nullptr;
    changed();
    redraw();
    return true;
}

void MarkupCanvas::cancelCrop() {
    if (!m_pendingCrop) return;
    m_pendingCrop.reset();
    m_pendingCropBeforeDrag.reset();
    if (m_phase == Phase::cropping) m_phase = Phase::idle;
    redraw();
}

// What will be cut away is shaded; the rectangle is outlined.
void MarkupCanvas::drawPendingCrop(QPainter& painter, const CanvasMapping& view,
                                   QColor accent) const {
    const QRectF rect = QRectF(view.imageToView(m_pendingCrop->topLeft()),
                               view.imageToView(m_pendingCrop->bottomRight()))
                            .normalized();
    QPainterPath outside;
    outside.addRect(view.displayRect());
    QPainterPath inside;
    inside.addRect(rect);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillPath(outside.subtracted(inside), QColor(0, 0, 0, 110));
    QPen pen(accent, 1.0);
    pen.setDashPattern({4.0, 3.0});
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect);
    painter.restore();
}

}  // namespace moxilane
