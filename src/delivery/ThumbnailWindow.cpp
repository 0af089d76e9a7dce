#include "delivery/ThumbnailWindow.h"

#include "platform/WindowRoles.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

namespace moxilane {

namespace {

constexpr double kCornerRadius = 8;
constexpr int kFadeInMs = 200;
constexpr int kFadeOutMs = 250;

// The capture, fitted and centred, with rounded corners and a thin white border. A left
// click runs the action, the right button opens its menu; there is no dragging.
class ThumbnailWidget final : public QWidget {
public:
    // translucent: a compositing manager shows what is behind the window's transparent pixels.
    ThumbnailWidget(QImage image, std::function<void()> onClick, std::function<void()> onPin,
                    WindowRoles& roles)
        : m_image(std::move(image)),
          m_onClick(std::move(onClick)),
          m_onPin(std::move(onPin)),
          m_translucent(roles.showsTranslucency()),
          m_roles(roles) {
        roles.prepare(*this, WindowRole::thumbnail);
        setAttribute(Qt::WA_TranslucentBackground, m_translucent);
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
        setWindowTitle(QtThumbnailWindows::windowTitle());
    }

    // The fade is painted, not the window's opacity, which Wayland clients cannot set; without
    // transparency there is nothing to fade, but the fade still takes its time.
    void fade(double to, int durationMs, std::function<void()> finished) {
        if (m_animation) m_animation->stop();
        m_animation = new QVariantAnimation(this);
        m_animation->setDuration(durationMs);
        m_animation->setStartValue(m_level);
        m_animation->setEndValue(to);
        connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& level) {
            m_level = level.toDouble();
            if (m_translucent) update();
        });
        if (finished) {
            connect(m_animation, &QVariantAnimation::finished, this, std::move(finished));
        }
        m_animation->start(QAbstractAnimation::DeleteWhenStopped);
    }
    void stopFading() {
        if (m_animation) m_animation->stop();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (m_translucent) return paintAntialiased();
        // The window's shape is the capture's rounded rectangle (a letterbox shows the desktop);
        // the border is the shape's outermost ring, so it follows the shape at every scale.
        const QRegion shape = shapeRegion();
        const QRegion inside = shape & shape.translated(1, 0) & shape.translated(-1, 0) &
                               shape.translated(0, 1) & shape.translated(0, -1);
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setClipRegion(shape);
        painter.fillRect(rect(), QColor(40, 40, 40));
        painter.drawImage(imageRect(), m_image);
        painter.setClipRegion(shape - inside);
        painter.fillRect(rect(), QColor(255, 255, 255, 204));
    }
    void resizeEvent(QResizeEvent*) override {
        // Without a compositing manager a window has no transparency: cut the corners and any
        // letterbox.
        if (!m_translucent) setMask(shapeRegion());
    }
    void mousePressEvent(QMouseEvent* event) override {
        event->accept();
        if (event->button() != Qt::LeftButton) return;
        if (m_onClick) m_onClick();  // may end this window (later, not now)
    }
    // Not modal: the thumbnail may go meanwhile, and its menu with it.
    void contextMenuEvent(QContextMenuEvent* event) override {
        auto* menu = new QMenu(this);
        m_roles.prepare(*menu, WindowRole::menu);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(QStringLiteral("Pin to Screen"), this, [this] {
            if (m_onPin) m_onPin();
        });
        menu->popup(event->globalPos());
    }

private:
    // The capture fitted and centred in the window.
    QRectF imageRect() const {
        QSizeF imageSize = QSizeF(m_image.size()) / devicePixelRatioF();
        imageSize.scale(size(), Qt::KeepAspectRatio);
        QRectF target(QPointF(), imageSize);
        target.moveCenter(QRectF(rect()).center());
        return target;
    }
    // With transparency: anti-aliased corners, the border half a point inside the edge.
    void paintAntialiased() {
        QPainter painter(this);
        painter.setOpacity(m_level);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF shown = imageRect();
        QPainterPath outline;
        outline.addRoundedRect(shown, kCornerRadius, kCornerRadius);
        painter.setClipPath(outline);
        painter.drawImage(shown, m_image);
        painter.setClipping(false);
        QPainterPath edge;
        edge.addRoundedRect(shown.adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
        painter.setPen(QPen(QColor(255, 255, 255, 204), 1));
        painter.drawPath(edge);
    }
    // Its rounded rectangle on whole points.
    QRegion shapeRegion() const {
        const QRect shown = imageRect().toRect().intersected(rect());
        QPainterPath outline;
        outline.addRoundedRect(QRectF(shown), kCornerRadius, kCornerRadius);
        return QRegion(outline.toFillPolygon().toPolygon());
    }

    QImage m_image;
    std::function<void()> m_onClick;
    std::function<void()> m_onPin;
    bool m_translucent;
    WindowRoles& m_roles;
    double m_level = 0.0;  // how far faded in
    QPointer<QVariantAnimation> m_animation;
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
    const ScreenLayout layout = m_screens.layout();
    const ScreenLayout::Screen* primary = layout.primary();
    if (!primary) return std::nullopt;
    return Screen{primary->workArea, primary->scale};
}

std::unique_ptr<ThumbnailPanel> QtThumbnailWindows::open(const QImage& image,
                                                         const QRectF& framePoints,
                                                         std::function<void()> onClick,
                                                         std::function<void()> onPin) {
    auto* widget = new ThumbnailWidget(image, std::move(onClick), std::move(onPin), m_roles);
    widget->setGeometry(framePoints.toAlignedRect());
    widget->show();
    widget->raise();
    return std::make_unique<QtThumbnailPanel>(widget);
}

}  // namespace moxilane
