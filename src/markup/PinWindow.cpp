#include "markup/PinWindow.h"

#include "capture/PngWriter.h"
#include "delivery/EditedCaptureStore.h"
#include "markup/PinGeometry.h"
#include "platform/EditServices.h"
#include "platform/Services.h"
#include "platform/WindowRoles.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace moxilane {

namespace {

// A thin grey edge around the image, so a pin stands apart from the screen it shows.
constexpr int kEdgePoints = 1;
const QColor kEdgeColor(128, 128, 128);

// The window around an image of that size.
QSize windowSize(QSizeF imagePoints) {
    return QSize(std::max(1, int(std::lround(imagePoints.width()))) + 2 * kEdgePoints,
                 std::max(1, int(std::lround(imagePoints.height()))) + 2 * kEdgePoints);
}

}  // namespace

PinWindow::PinWindow(const QImage& image, double scale, QSizeF sizePoints, SaveOffer offer,
                     Services services)
    : m_image(image),
      m_scale(scale > 0 ? scale : 1.0),
      m_sizePoints(sizePoints),
      m_offer(std::move(offer)),
      m_services(services) {
    services.roles.prepare(*this, WindowRole::pin);
    setWindowTitle(windowTitle());
    setAccessibleName(windowTitle());
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(windowSize(sizePoints));
}

// Scaled as it is drawn, so the pin keeps the one image it shares with its capture.
void PinWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.fillRect(rect(), kEdgeColor);
    painter.drawImage(
        QRectF(rect().marginsRemoved(QMargins(kEdgePoints, kEdgePoints, kEdgePoints, kEdgePoints))),
        m_image);
}

void PinWindow::mousePressEvent(QMouseEvent* event) {
    // Shown without the focus; a click is the user's wish to type Esc here.
    activateWindow();
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton) m_dragGrip = event->globalPosition().toPoint() - pos();
    event->accept();
}

void PinWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragGrip && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *m_dragGrip);
}

void PinWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_dragGrip.reset();
}

void PinWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) close();
}

// The point under the pointer stays where it is.
void PinWindow::wheelEvent(QWheelEvent* event) {
    const double zoom = pinZoomAfterWheel(m_zoom, event->angleDelta().y());
    event->accept();
    if (zoom == m_zoom) return;
    const QSize before = size();
    const QSize after = windowSize(m_sizePoints * zoom);
    const QPointF at = event->position();
    const QPointF atAfter(at.x() * after.width() / before.width(),
                          at.y() * after.height() / before.height());
    m_zoom = zoom;
    setGeometry(QRect((pos() + at - atAfter).toPoint(), after));
}

void PinWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape) return QWidget::keyPressEvent(event);
    close();
}

void PinWindow::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("Close"), this, [this] { close(); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Copy"), this, [this] { copyImage(); });
    menu->addAction(QStringLiteral("Save As…"), this, [this] { saveImageAs(); });
    menu->popup(event->globalPos());
}

void PinWindow::copyImage() {
    const auto png = pngData(m_image, m_scale);
    if (!png) {
        m_services.alerts.showAlert(QStringLiteral("Could Not Copy the Screenshot"),
                                    png.error() + QLatin1Char('.'));
        return;
    }
    m_services.clipboard.setPngImage(*png);
}

void PinWindow::saveImageAs() {
    static_cast<void>(saveThroughDialog(m_services.savePanel, m_services.alerts, m_image, m_scale,
                                        m_offer.fileName, m_offer.folder));
}

void PinWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (m_closed) return;
    m_closed = true;
    if (onClosed) onClosed();
}

}  // namespace moxilane
