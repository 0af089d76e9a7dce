#include "selection/OverlayPanel.h"

#include "platform/WindowRoles.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace moxilane {

namespace {

QRegion toDevice(const QRegion& points, double ratio) {
    if (ratio == 1.0) return points;
    QRegion device;
    for (const QRect& r : points) {
        device += QRectF(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio)
                      .toAlignedRect();
    }
    return device;
}

}  // namespace

OverlayPanel::OverlayPanel(QScreen* screen, WindowRoles& roles) : m_roles(roles) {
    roles.prepare(*this, WindowRole::overlay);
    // Every pixel is painted from the snapshot: no background fill first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setGeometry(screen->geometry());
    createWinId();
    windowHandle()->setScreen(screen);
}

bool OverlayPanel::takeKeyboard() {
    return isVisible() && m_roles.takeKeyboard(*this);
}

void OverlayPanel::showEvent(QShowEvent* event) {
    // Sent before the window is mapped: on a held screen it then shows the screen as read.
    m_held = m_roles.heldScreen();
    if (m_held) m_held->place(*this);
    // Painting on the window itself spares Qt's backing store: a full-screen picture that a
    // first overlay would touch page by page.
    setAttribute(Qt::WA_PaintOnScreen, m_held != nullptr);
    m_shaded = false;
    m_plainShown = QRegion();
    QWidget::showEvent(event);
}

void OverlayPanel::hideEvent(QHideEvent* event) {
    m_held = nullptr;
    QWidget::hideEvent(event);
}

void OverlayPanel::paintEvent(QPaintEvent* event) {
    if (m_held) return paintOnHeldScreen(event->region());
    QPainter painter(this);
    for (const QRect& area : event->region()) {
        painter.setClipRect(area);
        paintArea(painter, area);
    }
}

void OverlayPanel::paintOnHeldScreen(const QRegion& area) {
    const double ratio = devicePixelRatioF();
    const QRegion marks = toDevice(marked(), ratio);
    QRegion stale = toDevice(area, ratio);
    if (!m_shaded) {
        // The shade goes on in the server, over the pixels already there.
        m_plainShown = toDevice(rect(), ratio) - marks;
        m_held->shade(*this, m_plainShown, shadeAlpha());
        m_shaded = true;
        stale += marks;
    }
    stale -= m_plainShown - marks;
    for (const QRect& part : stale) {
        QImage image(part.size(), QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        const QRectF points(QPointF(part.topLeft()) / ratio, QSizeF(part.size()) / ratio);
        {
            QPainter painter(&image);
            painter.translate(-points.topLeft());
            painter.setClipRect(points);
            paintArea(painter, points.toAlignedRect());
        }
        m_held->put(*this, part.topLeft(), image);
    }
    m_plainShown = (m_plainShown + stale) - marks;
}

void OverlayPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && onEscape) onEscape();
    // Every other key is swallowed, not passed on.
    event->accept();
}

void OverlayPanel::enterEvent(QEnterEvent* event) {
    if (onEnter) onEnter();
    QWidget::enterEvent(event);
}

}  // namespace moxilane
