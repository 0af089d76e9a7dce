#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace moxilane {

// A screen as the capture flows' rules see it. The frame is in global points with the
// origin at the bottom left of the primary screen and y growing upwards, so the geometry
// rules read the same on every platform.
struct ScreenInfo {
    std::uint32_t displayID = 0;  // equal to the capture service's DisplayInfo::displayID
    QRectF frame;                 // global points, y up
    double backingScaleFactor = 1.0;
    QString name{};  // the window system's name for it; widgets find their screen by it
};

// The screens at one moment, primary first, and every conversion between their spaces:
// global points y down (the desktop as Qt lays it out), global points y up (ScreenInfo),
// and root device pixels. Built once per flow, so one flow sees one geometry.
class ScreenLayout {
public:
    struct Screen {
        std::uint32_t displayID = 0;
        QString name{};
        QRectF frame{};      // global points, y down
        QRect areaDevice{};  // root device pixels
        double scale = 1.0;  // device pixels per point
        QRectF workArea{};   // global points, y down: the part no panel covers
    };

    ScreenLayout() = default;
    explicit ScreenLayout(std::vector<Screen> screens);

    // A screen as Qt reports it: Qt keeps the origin in device pixels and divides only the
    // size by the scale, so at scale 2 the desktop in points has gaps between screens.
    static Screen fromQtGeometry(std::uint32_t displayID, const QString& name,
                                 const QRect& geometry, const QRect& availableGeometry,
                                 double scale);

    const std::vector<Screen>& screens() const { return m_screens; }
    const Screen* primary() const { return m_screens.empty() ? nullptr : &m_screens.front(); }
    const Screen* screen(std::uint32_t displayID) const;
    // Half-open: a point on the border between two screens belongs to one of them.
    const Screen* screenAt(QPointF pointYDown) const;

    QRectF toYUp(const QRectF& rectYDown) const;
    QRectF fromYUp(const QRectF& rectYUp) const;
    QPointF toYUp(QPointF pointYDown) const;
    QPointF fromYUp(QPointF pointYUp) const;

    // Through the screen holding the centre, else the primary.
    QRect pointsToDevice(const QRectF& rectYDown) const;
    QRectF deviceToPoints(const QRect& rectDevice) const;

    // The screens as the capture rules take them, primary first.
    std::vector<ScreenInfo> screenInfos() const;

    // View points: y down from the top left of one screen, as the overlay over it draws.
    static QRectF viewToYUp(const QRectF& rectView, const ScreenInfo& screen);
    static QPointF viewToYUp(QPointF pointView, const ScreenInfo& screen);
    static QRectF yUpToView(const QRectF& rectYUp, const ScreenInfo& screen);

    // The pixels of rectYUp in an image that shows the whole of screen, unclipped. The
    // factors come from the image, so a snapshot whose size is not exactly points × scale
    // still cuts in place.
    static QRect imagePixels(const QRectF& rectYUp, const ScreenInfo& screen, QSize imageSize);

private:
    double primaryBottom() const;

    std::vector<Screen> m_screens;
};

}  // namespace moxilane
