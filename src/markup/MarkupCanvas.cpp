#include "markup/MarkupCanvas.h"

#include "platform/LargePageImage.h"

#include <QColorSpace>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace moxilane {

namespace {

// A copy of a 4-byte picture whose fresh pages are large ones: a tall capture's copy is
// bound by first touching its memory.
QImage copyInLargePages(const QImage& source) {
    QImage copy = largePageImage(source.size(), source.format());
    if (copy.isNull()) return copy;
    const auto rowBytes = std::size_t(source.width()) * 4;
    for (int y = 0; y < source.height(); ++y)
        std::memcpy(copy.scanLine(y), source.constScanLine(y), rowBytes);
    copy.setColorSpace(source.colorSpace());
    copy.setDevicePixelRatio(source.devicePixelRatio());
    copy.setDotsPerMeterX(source.dotsPerMeterX());
    copy.setDotsPerMeterY(source.dotsPerMeterY());
    return copy;
}

std::optional<Annotation::Kind> createdKind(MarkupTool tool) {
    switch (tool) {
        case MarkupTool::arrow:
            return Annotation::Kind::arrow;
        case MarkupTool::rectangle:
            return Annotation::Kind::rectangle;
        case MarkupTool::oval:
            return Annotation::Kind::oval;
        case MarkupTool::line:
            return Annotation::Kind::line;
        case MarkupTool::pen:
            return Annotation::Kind::freehand;
        case MarkupTool::highlighter:
            return Annotation::Kind::highlight;
        case MarkupTool::redact:
            return Annotation::Kind::redact;
        case MarkupTool::step:
            return Annotation::Kind::step;
        case MarkupTool::select:
        case MarkupTool::text:
        case MarkupTool::crop:
            break;
    }
    return std::nullopt;
}

QPointF identity(QPointF p) {
    return p;
}

// The pixels of rect without copying them; a copy where the format has no whole bytes.
}  // namespace

MarkupCanvas::MarkupCanvas(QImage baseImage, TextEntry& textEntry)
    : m_baseImage(std::move(baseImage)),
      m_textEntry(textEntry),
      m_viewSize(m_baseImage.size()),
      m_currentColor(systemRed()) {}

void MarkupCanvas::mousePress(const QMouseEvent& event) {
    if (event.button() != Qt::LeftButton) return;
    commitText();
    // A press without the release of the one before (the release went elsewhere) still
    // keeps a move that happened as its own step.
    if (m_phase == Phase::selectPress) finishMove();
    m_phase = Phase::idle;
    const QPointF viewPoint = event.position();
    const QPointF imagePoint = mapping().viewToImage(viewPoint);
    switch (m_currentTool) {
        case MarkupTool::select:
            pressSelect(imagePoint);
            break;
        case MarkupTool::text:
            beginTextEditing(viewPoint, imagePoint);
            break;
        case MarkupTool::crop:
            beginCrop(imagePoint);
            break;
        default:
            beginDrawing(imagePoint);
            break;
    }
}

void MarkupCanvas::pressSelect(QPointF imagePoint) {
    // What a crop cut away cannot be seen, so it cannot be picked either.
    const bool shown = QRectF(visibleRect()).contains(imagePoint);
    const auto hit =
        std::ranges::find_if(m_annotations.rbegin(), m_annotations.rend(),
                             [&](const auto& a) { return shown && a->contains(imagePoint); });
    m_selection = hit == m_annotations.rend() ? nullptr : *hit;
    m_lastDragImagePoint = imagePoint;
    m_pendingMoveSnapshot.reset();
    if (m_selection) m_pendingMoveSnapshot = copyOf(m_annotations);
    m_didMoveSelection = false;
    m_phase = Phase::selectPress;
    redraw();
}

void MarkupCanvas::beginDrawing(QPointF imagePoint) {
    const auto kind = createdKind(m_currentTool);
    if (!kind) return;
    m_selection = nullptr;
    std::vector<QPointF> points{imagePoint};
    if (!isStroke(*kind) && !isPlacedByClick(*kind)) points.push_back(imagePoint);
    const double fontSize = *kind == Annotation::Kind::step ? m_currentFontImagePx : 0.0;
    m_inProgress = std::make_shared<Annotation>(*kind, std::move(points), m_currentColor,
                                                mapping().creationWidth(m_currentLineWidthPoints),
                                                QString(), fontSize);
    m_phase = Phase::drawing;
    redraw();
}

void MarkupCanvas::beginTextEditing(QPointF viewPoint, QPointF imagePoint) {
    const double fontView = m_currentFontImagePx * mapping().displayScale();
    // The field grows with the font it shows, which never goes below 8, so typed text is never
    // clipped at a small zoom.
    const double fieldFont = std::max(fontView, 8.0);
    const double lineBox = textLineBox(fieldFont);
    m_pendingTextPoint = imagePoint;
    m_textEntry.openTextField(QRectF(viewPoint.x() - 2, viewPoint.y() - 3, 220, lineBox + 6),
                              fieldFont, m_currentColor);
}

void MarkupCanvas::mouseMove(const QMouseEvent& event) {
    if (!(event.buttons() & Qt::LeftButton)) return;
    const QPointF imagePoint = mapping().viewToImage(event.position());
    if (m_phase == Phase::selectPress) {
        if (!m_selection || !m_lastDragImagePoint) return;
        m_selection->translate(imagePoint - *m_lastDragImagePoint);
        m_lastDragImagePoint = imagePoint;
        m_didMoveSelection = true;
        redraw();
    } else if (m_phase == Phase::drawing && m_inProgress) {
        extendInProgress(imagePoint);
    } else if (m_phase == Phase::cropping) {
        dragCrop(imagePoint);
    }
}

namespace {

QRectF spanOf(QPointF a, QPointF b) {
    return QRectF(a, b).normalized();
}

}  // namespace

// Repaints only what the change can touch: a long stroke then costs one segment per event,
// not the whole view.
void MarkupCanvas::extendInProgress(QPointF imagePoint) {
    if (isPlacedByClick(m_inProgress->kind())) return extendClickShape(imagePoint);
    const CanvasMapping view = mapping();
    const auto& points = m_inProgress->points();
    QRectF dirty;
    if (isStroke(m_inProgress->kind())) {
        dirty = spanOf(view.imageToView(points.back()), view.imageToView(imagePoint));
        m_inProgress->appendPoint(imagePoint);
    } else if (points.size() >= 2) {
        dirty = spanOf(view.imageToView(points[0]), view.imageToView(points[1]));
        m_inProgress->replaceSecondPoint(imagePoint);
        dirty |= spanOf(view.imageToView(points[0]), view.imageToView(points[1]));
    }
    const double reach = m_inProgress->paintReach(view.displayScale());
    redraw(dirty.adjusted(-reach, -reach, reach, reach));
}

// A shape placed by a click follows the pointer until the release.
void MarkupCanvas::extendClickShape(QPointF imagePoint) {
    const CanvasMapping view = mapping();
    const auto boxInView = [&] {
        const QRectF box = m_inProgress->boundingBox();
        return spanOf(view.imageToView(box.topLeft()), view.imageToView(box.bottomRight()));
    };
    QRectF dirty = boxInView();
    m_inProgress->translate(imagePoint - m_inProgress->points().front());
    dirty |= boxInView();
    redraw(dirty.adjusted(-2, -2, 2, 2));
}

void MarkupCanvas::mouseRelease(const QMouseEvent& event) {
    if (event.button() != Qt::LeftButton) return;
    m_lastDragImagePoint.reset();
    if (m_phase == Phase::drawing) finishDrawing();
    if (m_phase == Phase::selectPress) finishMove();
    if (m_phase == Phase::cropping) finishCrop();
    m_phase = Phase::idle;
}

void MarkupCanvas::finishDrawing() {
    const std::shared_ptr<Annotation> shape = std::exchange(m_inProgress, nullptr);
    if (!shape) return;
    const QRectF box = shape->boundingBox();
    if (!isPlacedByClick(shape->kind()) && box.width() <= 3 && box.height() <= 3 &&
        shape->points().size() < 3) {
        redraw();
        return;
    }
    recordEdit();
    m_annotations.push_back(shape);
    m_selection = shape;
    changed();
    redraw();
}

// A whole drag is one undo step. Also run before undo, redo and delete during a drag, so the
// history sees the move before them rather than after.
void MarkupCanvas::finishMove() {
    if (m_didMoveSelection && m_pendingMoveSnapshot) {
        m_history.record({std::move(*m_pendingMoveSnapshot), m_crop});
        changed();
    }
    m_pendingMoveSnapshot.reset();
    m_didMoveSelection = false;
}

bool MarkupCanvas::keyPress(const QKeyEvent& event) {
    const auto modifiers = event.modifiers();
    if ((modifiers & Qt::ControlModifier) && event.key() == Qt::Key_Z) {
        if (modifiers & Qt::ShiftModifier)
            redo();
        else
            undo();
        return true;
    }
    if (m_pendingCrop && (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter)) {
        applyCrop();
        return true;
    }
    if (m_pendingCrop && event.key() == Qt::Key_Escape) {
        cancelCrop();
        return true;
    }
    if (event.key() == Qt::Key_Backspace || event.key() == Qt::Key_Delete) {
        deleteSelection();
        return true;
    }
    return false;
}

void MarkupCanvas::undo() {
    commitText();
    if (m_phase == Phase::selectPress) finishMove();
    if (auto state = m_history.undo(currentState())) replaceState(std::move(*state));
}

void MarkupCanvas::redo() {
    if (m_phase == Phase::selectPress) finishMove();
    if (auto state = m_history.redo(currentState())) replaceState(std::move(*state));
}

void MarkupCanvas::replaceState(MarkupState state) {
    m_annotations = std::move(state.annotations);
    m_crop = state.crop;
    m_pendingCrop.reset();
    m_selection = nullptr;
    changed();
    redraw();
}

void MarkupCanvas::deleteSelection() {
    if (m_phase == Phase::selectPress) finishMove();
    if (m_annotations.empty()) return;
    const std::shared_ptr<Annotation> target = m_selection ? m_selection : m_annotations.back();
    const auto found = std::ranges::find(m_annotations, target);
    if (found == m_annotations.end()) return;
    recordEdit();
    m_annotations.erase(found);
    m_selection = nullptr;
    changed();
    redraw();
}

void MarkupCanvas::commitText() {
    if (!m_pendingTextPoint) return;
    // Cleared before the field closes: closing takes its focus away, which ends editing again.
    const QPointF point = *std::exchange(m_pendingTextPoint, std::nullopt);
    const QString text = m_textEntry.typedText().trimmed();
    m_textEntry.closeTextField();
    if (text.isEmpty()) return;
    auto annotation = std::make_shared<Annotation>(
        Annotation::Kind::text, std::vector<QPointF>{point}, m_currentColor,
        mapping().creationWidth(m_currentLineWidthPoints), text, m_currentFontImagePx);
    recordEdit();
    m_annotations.push_back(annotation);
    m_selection = annotation;
    changed();
    redraw();
}

MarkupState MarkupCanvas::currentState() const {
    return {m_annotations, m_crop};
}

void MarkupCanvas::recordEdit() {
    m_history.record({copyOf(m_annotations), m_crop});
}

void MarkupCanvas::changed() {
    if (m_onChange) m_onChange();
}

void MarkupCanvas::redraw(QRectF dirtyView) {
    if (m_onRedraw) m_onRedraw(dirtyView);
}

std::optional<QImage> MarkupCanvas::render() {
    commitText();
    if (m_baseImage.width() < 1 || m_baseImage.height() < 1) return std::nullopt;
    // The result is the only new copy of the pixels; the painter draws into it in place.
    const QRect visible = visibleRect();
    const QImage source = regionOf(m_baseImage, visible);
    const auto format = source.format();
    QImage result = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied
                        ? copyInLargePages(source)
                        : source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (result.isNull()) return std::nullopt;
    if (!result.colorSpace().isValid()) result.setColorSpace(QColorSpace::SRgb);
    QPainter painter(&result);
    if (!painter.isActive()) return std::nullopt;
    // Annotations keep image coordinates: what lies outside the crop falls off the result.
    painter.translate(-QPointF(visible.topLeft()));
    drawAnnotations(painter, m_annotations, identity, 1.0);
    painter.end();
    return result;
}

void MarkupCanvas::paint(QPainter& painter, QColor background, QColor accent,
                         double devicePixelRatio) {
    const CanvasMapping view = mapping();
    painter.fillRect(QRectF(QPointF(0, 0), m_viewSize), background);
    drawBaseImage(painter, view, devicePixelRatio);
    const PointMap map = [&view](QPointF q) { return view.imageToView(q); };
    const double scale = view.displayScale();
    // Annotations show only over the image, as render() keeps only what falls on it.
    painter.save();
    painter.setClipRect(shownImageRect(view, devicePixelRatio), Qt::IntersectClip);
    drawAnnotations(painter, m_annotations, map, scale);
    if (m_inProgress) m_inProgress->draw(painter, map, scale, nextStepNumber(m_annotations));
    painter.restore();
    if (m_selection) drawSelectionOutline(painter, *m_selection, map, accent);
    if (m_pendingCrop) drawPendingCrop(painter, view, accent);
}

// The image's place in view points, on whole device pixels, at least one each way: a
// 1 × 24000 capture still shows.
QRectF MarkupCanvas::shownImageRect(const CanvasMapping& view, double devicePixelRatio) {
    const QRectF shown = view.displayRect();
    const auto device = [devicePixelRatio](double v) {
        return static_cast<int>(std::lround(v * devicePixelRatio));
    };
    const QPoint topLeft(device(shown.left()), device(shown.top()));
    const QSize size(std::max(1, device(shown.right()) - topLeft.x()),
                     std::max(1, device(shown.bottom()) - topLeft.y()));
    return QRectF(QPointF(topLeft) / devicePixelRatio, QSizeF(size) / devicePixelRatio);
}

const QImage* MarkupCanvas::scaledBaseImage(const CanvasMapping& view, double devicePixelRatio) {
    const QRectF place = shownImageRect(view, devicePixelRatio);
    return m_scaledBase.get(m_baseImage, visibleRect(), (place.size() * devicePixelRatio).toSize(),
                            devicePixelRatio);
}

void MarkupCanvas::prepareBaseImage(double devicePixelRatio) {
    const CanvasMapping view = mapping();
    const QRectF shown = view.displayRect();
    if (m_baseImage.isNull() || !(shown.width() > 0) || !(shown.height() > 0)) return;
    static_cast<void>(scaledBaseImage(view, devicePixelRatio));
}

void MarkupCanvas::drawBaseImage(QPainter& painter, const CanvasMapping& view,
                                 double devicePixelRatio) {
    const QRectF shown = view.displayRect();
    if (m_baseImage.isNull() || !(shown.width() > 0) || !(shown.height() > 0)) return;
    const QRectF place = shownImageRect(view, devicePixelRatio);
    const QPoint topLeft = (place.topLeft() * devicePixelRatio).toPoint();
    const QRect source = visibleRect();
    if (const QImage* scaled = scaledBaseImage(view, devicePixelRatio)) {
        painter.drawImage(QPointF(topLeft) / devicePixelRatio, *scaled);
        return;
    }
    // A preview until the smooth picture is ready: nearest pixels, straight into the window.
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(place, m_baseImage, source);
    painter.restore();
}

}  // namespace moxilane
