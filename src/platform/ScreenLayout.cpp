#include "platform/ScreenLayout.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace moxilane {

namespace {

// Half-open on the far edges, so a point on the border between two screens belongs to one.
bool holds(const QRectF& r, QPointF p) {
    return r.left() <= p.x() && p.x() < r.left() + r.width() && r.top() <= p.y() &&
           p.y() < r.top() + r.height();
}

// The one rounding rule from points to device pixels: down, with a hair of tolerance so
// that 0.5 points at scale 2 gives pixel 1 even when the product comes out a bit short.
int toPixels(double scaledPoints) {
    constexpr double kReach = INT_MAX / 2;  // far beyond any screen; keeps sums in range
    return int(std::clamp(std::floor(scaledPoints + 1e-6), -kReach, kReach));
}

QRect scaled(const QRectF& points, double sx, double sy) {
    return QRect(toPixels(points.left() * sx), toPixels(points.top() * sy),
                 toPixels(points.width() * sx), toPixels(points.height() * sy));
}

}  // namespace

ScreenLayout::ScreenLayout(std::vector<Screen> screens) : m_screens(std::move(screens)) {}

ScreenLayout::Screen ScreenLayout::fromQtGeometry(std::uint32_t displayID, const QString& name,
                                                  const QRect& geometry,
                                                  const QRect& availableGeometry, double scale) {
    return {displayID,
            name,
            QRectF(geometry),
            QRect(geometry.topLeft(), (QSizeF(geometry.size()) * scale).toSize()),
            scale,
            QRectF(availableGeometry)};
}

const ScreenLayout::Screen* ScreenLayout::screen(std::uint32_t displayID) const {
    const auto found = std::ranges::find(m_screens, displayID, &Screen::displayID);
    return found == m_screens.end() ? nullptr : &*found;
}

const ScreenLayout::Screen* ScreenLayout::screenAt(QPointF pointYDown) const {
    const auto found = std::ranges::find_if(
        m_screens, [&](const Screen& s) { return holds(s.frame, pointYDown); });
    return found == m_screens.end() ? nullptr : &*found;
}

double ScreenLayout::primaryBottom() const {
    return m_screens.empty() ? 0.0
                             : m_screens.front().frame.top() + m_screens.front().frame.height();
}

// Reflected about the primary screen's bottom edge; each direction is its own inverse.
QRectF ScreenLayout::toYUp(const QRectF& r) const {
    return QRectF(r.x(), primaryBottom() - r.y() - r.height(), r.width(), r.height());
}
QRectF ScreenLayout::fromYUp(const QRectF& r) const {
    return toYUp(r);
}
QPointF ScreenLayout::toYUp(QPointF p) const {
    return QPointF(p.x(), primaryBottom() - p.y());
}
QPointF ScreenLayout::fromYUp(QPointF p) const {
    return toYUp(p);
}

QRect ScreenLayout::pointsToDevice(const QRectF& rectYDown) const {
    const Screen* home = screenAt(rectYDown.center());
    if (!home) home = primary();
    if (!home) return scaled(rectYDown, 1.0, 1.0);
    return scaled(rectYDown.translated(-home->frame.topLeft()), home->scale, home->scale)
        .translated(home->areaDevice.topLeft());
}

QRectF ScreenLayout::deviceToPoints(const QRect& rectDevice) const {
    const auto found = std::ranges::find_if(
        m_screens, [&](const Screen& s) { return s.areaDevice.contains(rectDevice.center()); });
    const Screen* home = found == m_screens.end() ? primary() : &*found;
    if (!home) return QRectF(rectDevice);
    const double scale = home->scale;
    return QRectF(home->frame.left() + (rectDevice.x() - home->areaDevice.x()) / scale,
                  home->frame.top() + (rectDevice.y() - home->areaDevice.y()) / scale,
                  rectDevice.width() / scale, rectDevice.height() / scale);
}

std::vector<ScreenInfo> ScreenLayout::screenInfos() const {
    std::vector<ScreenInfo> result;
    for (const Screen& s : m_screens)
        result.push_back({s.displayID, toYUp(s.frame), s.scale, s.name});
    return result;
}

QRectF ScreenLayout::viewToYUp(const QRectF& view, const ScreenInfo& screen) {
    const QRectF& frame = screen.frame;
    return QRectF(frame.left() + view.left(), frame.top() + frame.height() - view.bottom(),
                  view.width(), view.height());
}

QPointF ScreenLayout::viewToYUp(QPointF view, const ScreenInfo& screen) {
    return viewToYUp(QRectF(view, QSizeF(0, 0)), screen).topLeft();
}

QRectF ScreenLayout::yUpToView(const QRectF& r, const ScreenInfo& screen) {
    const QRectF& frame = screen.frame;
    return QRectF(r.left() - frame.left(), frame.top() + frame.height() - (r.top() + r.height()),
                  r.width(), r.height());
}

QRect ScreenLayout::imagePixels(const QRectF& rectYUp, const ScreenInfo& screen, QSize imageSize) {
    const QRectF& frame = screen.frame;
    if (frame.width() <= 0 || frame.height() <= 0) return {};
    return scaled(yUpToView(rectYUp, screen), imageSize.width() / frame.width(),
                  imageSize.height() / frame.height());
}

}  // namespace moxilane
