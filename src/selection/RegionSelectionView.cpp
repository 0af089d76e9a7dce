#include "selection/RegionSelectionView.h"

#include "platform/LargePageImage.h"

#include "platform/DigitsFont.h"
#include "selection/SelectionGeometry.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace moxilane {

namespace {

// Black at 0.25 over an opaque picture: each channel times 0.75. Written into target's
// own memory when it already has the size, so no fresh pages are touched.
void dimInto(const QImage& snapshot, QImage& target) {
    const QImage source = snapshot.convertToFormat(QImage::Format_RGB32);
    if (target.size() != source.size() || target.format() != QImage::Format_RGB32)
        target = largePageImage(source.size(), QImage::Format_RGB32);
    const auto keep = static_cast<quint32>((1.0 - SelectionGeometry::kDimAlpha) * 256);
    for (int y = 0; y < source.height(); ++y) {
        const auto* from = reinterpret_cast<const quint32*>(source.constScanLine(y));
        auto* to = reinterpret_cast<quint32*>(target.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const quint32 p = from[x];
            const quint32 redBlue = (((p & 0xff00ffu) * keep) >> 8) & 0xff00ffu;
            const quint32 green = (((p & 0x00ff00u) * keep) >> 8) & 0x00ff00u;
            to[x] = 0xff000000u | redBlue | green;
        }
    }
}

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
    dimInto(m_snapshot, m_dimmed);
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

void RegionSelectionView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const auto selection = m_drag.selection();
    const QRect hole = selection ? selection->toAlignedRect() : QRect();
    const double ratio = m_pixelsPerPoint;
    // Straight copies of the prepared pictures, rectangle by rectangle of what is stale.
    auto blit = [&](const QImage& image, const QRect& area) {
        const QRectF source(area.x() * ratio, area.y() * ratio, area.width() * ratio,
                            area.height() * ratio);
        painter.drawImage(QRectF(area), image, source);
    };
    for (const QRect& area : event->region()) {
        const QRegion parts = QRegion(area).subtracted(hole);
        for (const QRect& part : parts)
            blit(m_dimmed, part);
        if (selection) blit(m_snapshot, area.intersected(hole));
    }
    if (selection) {
        // The hole is whole points; a selection that ends mid-point shows the fraction
        // dimmed, as the dimming path would.
        paintSelection(painter, *selection);
    } else if (m_hint) {
        paintHint(painter);
    }
}

void RegionSelectionView::paintHint(QPainter& painter) {
    const QFontMetricsF metrics(m_hintFont);
    const QRectF text = SelectionGeometry::hintTextRect(
        QSizeF(metrics.horizontalAdvance(*m_hint), metrics.height()), QRectF(rect()));
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
