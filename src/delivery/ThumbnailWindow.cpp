#include "delivery/ThumbnailWindow.h"

#include "platform/WindowRoles.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPropertyAnimation>
#include <QScreen>
#include <QWidget>

namespace moxilane {

namespace {

constexpr double kCornerRadius = 8;
constexpr int kFadeInMs = 200;
constexpr int kFadeOutMs = 250;

// The capture, fitted and centred, with rounded corners and a thin white border. Any
// click runs the action; there is no dragging.
class ThumbnailWidget final : public QWidget {
public:
    ThumbnailWidget(QImage image, std::function<void()> onClick, WindowRoles& roles)
        : m_image(std::move(image)), m_onClick(std::move(onClick)) {
        roles.prepare(*this, WindowRole::thumbnail);
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
        setWindowTitle(QtThumbnailWindows::windowTitle());
    }

    void fade(double to, int durationMs, std::function<void()> finished) {
        if (m_animation) m_animation->stop();
        m_animation = new QPropertyAnimation(this, "windowOpacity", this);
        m_animation->setDuration(durationMs);
        m_animation->setStartValue(windowOpacity());
        m_animation->setEndValue(to);
        if (finished) {
            connect(m_animation, &QPropertyAnimation::finished, this, std::move(finished));
        }
        m_animation->start(QAbstractAnimation::DeleteWhenStopped);
    }
    void stopFading() {
        if (m_animation) m_animation->stop();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath outline;
        outline.addRoundedRect(bounds, kCornerRadius, kCornerRadius);
        painter.fillPath(outline, QColor(40, 40, 40));
        painter.save();
        painter.setClipPath(outline);
        QSizeF imageSize = QSizeF(m_image.size()) / devicePixelRatioF();
        imageSize.scale(size(), Qt::KeepAspectRatio);
        QRectF target(QPointF(), imageSize);
        target.moveCenter(QRectF(rect()).center());
        painter.drawImage(target, m_image);
        painter.restore();
        painter.setPen(QPen(QColor(255, 255, 255, 204), 1));
        painter.drawPath(outline);
    }
    void resizeEvent(QResizeEvent*) override {
        // Without a compositing manager a window has no transparency: cut the corners.
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
        setMask(QRegion(outline.toFillPolygon().toPolygon()));
    }
    void mousePressEvent(QMouseEvent* event) override {
        event->accept();
        if (m_onClick) m_onClick();  // may end this window (later, not now)
    }

private:
    QImage m_image;
    std::function<void()> m_onClick;
    QPointer<QPropertyAnimation> m_animation;
};

class QtThumbnailPanel final : public ThumbnailPanel {
public:
    explicit QtThumbnailPanel(ThumbnailWidget* widget) : m_widget(widget) {}
    ~QtThumbnailPanel() override {
        if (!m_widget) return;
        m_widget->stopFading();
        m_widget->hide();
        // The click that ends a thumbnail comes from inside its own event handler.
        m_widget->deleteLater();
    }
    void fadeIn() override {
        if (m_widget) m_widget->fade(1.0, kFadeInMs, {});
    }
    void fadeOut(std::function<void()> faded) override {
        if (m_widget) m_widget->fade(0.0, kFadeOutMs, std::move(faded));
    }

private:
    QPointer<ThumbnailWidget> m_widget;
};

}  // namespace

std::optional<ThumbnailWindows::Screen> QtThumbnailWindows::mainScreen() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen && !QGuiApplication::screens().isEmpty())
        screen = QGuiApplication::screens().front();
    if (!screen) return std::nullopt;
    return Screen{QRectF(screen->availableGeometry()), screen->devicePixelRatio()};
}

std::unique_ptr<ThumbnailPanel> QtThumbnailWindows::open(const QImage& image,
                                                         const QRectF& framePoints,
                                                         std::function<void()> onClick) {
    auto* widget = new ThumbnailWidget(image, std::move(onClick), m_roles);
    widget->setGeometry(framePoints.toAlignedRect());
    widget->setWindowOpacity(0.0);
    widget->show();
    widget->raise();
    return std::make_unique<QtThumbnailPanel>(widget);
}

}  // namespace moxilane
