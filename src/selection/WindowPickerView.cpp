#include "selection/WindowPickerView.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

namespace moxilane {

namespace {

constexpr double kShadeAlpha = 0.15;
constexpr double kFrameWidth = 3;

}  // namespace

WindowPickerView::WindowPickerView(QScreen* qtScreen, WindowRoles& roles)
    : OverlayPanel(qtScreen, roles) {
    m_labelFont.setPixelSize(13);
    m_labelFont.setWeight(QFont::DemiBold);
    setCursor(Qt::PointingHandCursor);
}

void WindowPickerView::prepare(const ScreenInfo& screen, const QImage& snapshot,
                               std::shared_ptr<const WindowCandidates> candidates) {
    m_screen = screen;
    m_candidates = std::move(candidates);
    m_highlighted.reset();
    // Shared with the caller's snapshot, not copied.
    m_snapshot = snapshot.convertToFormat(QImage::Format_RGB32);
    m_pixelsPerPoint = screen.frame.width() > 0 ? snapshot.width() / screen.frame.width() : 1.0;
    update();
}

void WindowPickerView::release() {
    m_snapshot = QImage();
    m_candidates.reset();
    m_highlighted.reset();
}

QPointF WindowPickerView::toGlobal(QPointF viewPoint) const {
    return ScreenLayout::viewToYUp(viewPoint, m_screen);
}

QRect WindowPickerView::highlightArea() const {
    if (!m_highlighted) return {};
    const QRectF frame = m_candidates->frameInView(*m_highlighted, m_screen);
    const int reach = int(kFrameWidth) + 1;
    const QFontMetricsF metrics(m_labelFont);
    const auto pill = WindowCandidates::labelPill(
        frame, QSizeF(metrics.horizontalAdvance(WindowCandidates::labelText(*m_highlighted)),
                      metrics.height()));
    return frame.united(pill.background).toAlignedRect().adjusted(-reach, -reach, reach, reach);
}

void WindowPickerView::setHighlighted(const WindowInfo* window) {
    const bool same = (!window && !m_highlighted) ||
                      (window && m_highlighted && window->windowID == m_highlighted->windowID);
    if (same) return;
    QRegion stale(highlightArea());
    m_highlighted = window ? std::optional<WindowInfo>(*window) : std::nullopt;
    stale += highlightArea();
    update(stale.intersected(rect()));
}

int WindowPickerView::shadeAlpha() const {
    return int(kShadeAlpha * 255);
}

QRegion WindowPickerView::marked() const {
    return highlightArea();
}

void WindowPickerView::paintArea(QPainter& painter, const QRect& area) {
    const double ratio = m_pixelsPerPoint;
    // The shade is painted over the snapshot rather than kept as a darkened copy: a 4K copy
    // is 32 MB of fresh memory for the first pick to touch. Windows cannot show through an
    // X window without a compositing manager, hence the frozen screen under it.
    painter.drawImage(
        QRectF(area), m_snapshot,
        QRectF(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio));
    painter.fillRect(area, QColor(0, 0, 0, shadeAlpha()));
    if (!m_highlighted) return;
    const QRectF frame = m_candidates->frameInView(*m_highlighted, m_screen);
    if (!frame.intersects(QRectF(rect()))) return;  // on another screen

    const QColor accent = QGuiApplication::palette().color(QPalette::Highlight);
    QColor fill = accent;
    fill.setAlphaF(0.3f);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(accent, kFrameWidth));
    painter.setBrush(fill);
    painter.drawRoundedRect(frame, 8, 8);

    const QString text = WindowCandidates::labelText(*m_highlighted);
    const QFontMetricsF metrics(m_labelFont);
    const auto pill = WindowCandidates::labelPill(
        frame, QSizeF(metrics.horizontalAdvance(text), metrics.height()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, int(0.65 * 255)));
    painter.drawRoundedRect(pill.background, 6, 6);
    painter.setFont(m_labelFont);
    painter.setPen(Qt::white);
    painter.drawText(pill.text, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(text, Qt::ElideRight, pill.text.width()));
    painter.restore();
}

void WindowPickerView::mouseMoveEvent(QMouseEvent* event) {
    if (onMoved) onMoved(toGlobal(event->position()));
}

void WindowPickerView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onClicked) onClicked(toGlobal(event->position()));
}

}  // namespace moxilane
