#include "selection/RegionSelectionView.h"

#include "platform/DigitsFont.h"
#include "selection/SelectionGeometry.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace moxilane {

namespace {

QFont systemFont(double pointSize, QFont::Weight weight) {
    QFont font;
    font.setPixelSize(int(pointSize));
    font.setWeight(weight);
    return font;
}

}  // namespace

RegionSelectionView::RegionSelectionView(QScreen* qtScreen, WindowRoles& roles)
    : OverlayPanel(qtScreen, roles),
      m_labelFont(tabularDigitsFont(12, QFont::Medium)),
      m_hintFont(systemFont(14, QFont::Medium)) {
    setCursor(Qt::CrossCursor);
}

void RegionSelectionView::prepare(const ScreenInfo& screen, const QImage& snapshot,
                                  const std::optional<QString>& hint) {
    m_screen = screen;
    m_hint = hint;
    // Shared with the caller's snapshot, not copied.
    m_snapshot = snapshot.convertToFormat(QImage::Format_RGB32);
    // The snapshot fills the screen: its pixels per point are the screen's, even when the
    // picture is a pixel off points × scale.
    m_pixelsPerPoint = screen.frame.width() > 0 ? snapshot.width() / screen.frame.width() : 1.0;
    m_drag = RegionDrag(screen.frame.size(), m_pixelsPerPoint);
    update();
}

void RegionSelectionView::release() {
    m_snapshot = QImage();
}

std::optional<QRectF> RegionSelectionView::labelRect() const {
    const auto selection = m_drag.selection();
    if (!selection) return std::nullopt;
    const QFontMetricsF metrics(m_labelFont);
    const QString text = SelectionGeometry::sizeLabelText(*selection);
    return SelectionGeometry::sizeLabelRect(
        *selection, QSizeF(metrics.horizontalAdvance(text), metrics.height()), QRectF(rect()));
}

void RegionSelectionView::pressAt(QPointF at) {
    const bool hadHint = m_hint && !m_drag.hasStarted();
    const auto before = m_drag.selection();
    const auto labelBefore = labelRect();
    m_drag.press(at);
    if (hadHint) {
        update();  // the hint goes with the first press
        return;
    }
    update(SelectionGeometry::changedArea(before, m_drag.selection(), labelBefore, labelRect()));
}

void RegionSelectionView::dragTo(QPointF at) {
    if (!m_drag.hasStarted()) return;
    const auto before = m_drag.selection();
    const auto labelBefore = labelRect();
    m_drag.moveTo(at);
    update(SelectionGeometry::changedArea(before, m_drag.selection(), labelBefore, labelRect()));
}

void RegionSelectionView::paintArea(QPainter& painter, const QRect& area) {
    const auto selection = m_drag.selection();
    const QRect hole = selection ? selection->toAlignedRect() : QRect();
    const double ratio = m_pixelsPerPoint;
    // A straight copy of the snapshot under the dimming, which is painted over it rather
    // than kept as a second picture: a dimmed 4K copy is 32 MB of fresh memory for the
    // first overlay to touch.
    painter.drawImage(
        QRectF(area), m_snapshot,
        QRectF(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio));
    const QColor dim = dimColor();
    for (const QRect& part : QRegion(area).subtracted(hole))
        painter.fillRect(part, dim);
    painter.save();
    if (selection) {
        // The hole is whole points; a selection that ends mid-point shows the fraction
        // dimmed, as the dimming path would.
        paintSelection(painter, *selection);
    } else if (m_hint) {
        paintHint(painter);
    }
    painter.restore();
}

QColor RegionSelectionView::dimColor() {
    return QColor::fromRgbF(0, 0, 0, float(SelectionGeometry::kDimAlpha));
}

int RegionSelectionView::shadeAlpha() const {
    return dimColor().alpha();
}

QRegion RegionSelectionView::marked() const {
    if (const auto selection = m_drag.selection())
        return SelectionGeometry::changedArea(std::nullopt, selection, std::nullopt, labelRect());
    if (!m_hint) return {};
    return SelectionGeometry::hintPill(hintText()).toAlignedRect().adjusted(-1, -1, 1, 1);
}

QRectF RegionSelectionView::hintText() const {
    const QFontMetricsF metrics(m_hintFont);
    return SelectionGeometry::hintTextRect(
        QSizeF(metrics.horizontalAdvance(*m_hint), metrics.height()), QRectF(rect()));
}

void RegionSelectionView::paintHint(QPainter& painter) {
    const QRectF text = hintText();
    const QRectF pill = SelectionGeometry::hintPill(text);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, int(0.72 * 255)));
    painter.drawRoundedRect(pill, pill.height() / 2, pill.height() / 2);
    painter.setFont(m_hintFont);
    painter.setPen(Qt::white);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, *m_hint);
}

void RegionSelectionView::paintSelection(QPainter& painter, const QRectF& selection) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(selection.adjusted(-0.5, -0.5, 0.5, 0.5));

    const QRectF label = *labelRect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, int(0.7 * 255)));
    painter.drawRoundedRect(SelectionGeometry::sizeLabelBackground(label), 4, 4);
    painter.setFont(m_labelFont);
    painter.setPen(Qt::white);
    painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter,
                     SelectionGeometry::sizeLabelText(selection));
}

void RegionSelectionView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressAt(event->position());
}

void RegionSelectionView::mouseMoveEvent(QMouseEvent* event) {
    dragTo(event->position());
}

void RegionSelectionView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_drag.hasStarted()) return;
    m_drag.moveTo(event->position());
    if (onSelected)
        onSelected(SelectionGeometry::viewToGlobal(*m_drag.selection(), m_screen), m_screen);
}

}  // namespace moxilane
