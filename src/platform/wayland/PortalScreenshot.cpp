#include "platform/wayland/PortalScreenshot.h"

#include "platform/wayland/PortalRequest.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include <algorithm>

namespace moxilane::wayland {

namespace {

using namespace std::chrono_literals;

constexpr auto kPortalTimeout = 10s;
// Long enough for one capture's displays, one after another; short enough that a
// scrolling capture's next tick never gets an old frame.
constexpr auto kPictureReuse = 200ms;

CaptureError refused(const QString& why) {
    return CaptureError{CaptureError::Kind::Refused, why};
}

QRect layoutBounds(const std::vector<LayoutDisplay>& layout) {
    QRect bounds;
    for (const LayoutDisplay& display : layout)
        bounds |= display.geometryLogical;
    return bounds;
}

const LayoutDisplay* findDisplay(const std::vector<LayoutDisplay>& layout, std::uint32_t id) {
    const auto found = std::ranges::find_if(
        layout, [id](const LayoutDisplay& d) { return d.display.displayID == id; });
    return found == layout.end() ? nullptr : &*found;
}

}  // namespace

QImage cutDisplayFromLayout(const QImage& layoutPicture, const std::vector<LayoutDisplay>& layout,
                            const LayoutDisplay& display) {
    const QRect bounds = layoutBounds(layout);
    if (bounds.isEmpty() || layoutPicture.isNull()) return {};
    // The compositor renders the whole layout at one scale, usually its largest.
    const double scaleX = double(layoutPicture.width()) / bounds.width();
    const double scaleY = double(layoutPicture.height()) / bounds.height();
    const QRect logical = display.geometryLogical.translated(-bounds.topLeft());
    const QRect inPicture(
        int(std::lround(logical.x() * scaleX)), int(std::lround(logical.y() * scaleY)),
        int(std::lround(logical.width() * scaleX)), int(std::lround(logical.height() * scaleY)));
    // One display filling the picture (the usual case) shares its pixels: a copy of a
    // full screen costs up to tens of milliseconds.
    QImage cut = inPicture == layoutPicture.rect() ? layoutPicture : layoutPicture.copy(inPicture);
    const QSize deviceSize = display.display.areaDevice.size();
    if (cut.size() != deviceSize)
        cut = cut.scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return cut;
}

bool isPortalLeftover(const QString& path, const QString& homePath) {
    const QString file = QDir::cleanPath(path);
    if (file == u"/tmp/out.png") return true;
    const QString pictures = QDir::cleanPath(homePath + QStringLiteral("/Pictures"));
    return file.startsWith(pictures + QLatin1Char('/'));
}

PortalScreenshot::PortalScreenshot(DisplaySource displays, WindowSource windows)
    : m_displays(std::move(displays)), m_windows(std::move(windows)) {}

std::expected<ShareableContent, CaptureError> PortalScreenshot::shareableContent() {
    auto layout = m_displays();
    if (!layout) return std::unexpected(layout.error());
    ShareableContent content;
    for (const LayoutDisplay& display : *layout)
        content.displays.push_back(display.display);
    if (m_windows) {
        auto windows = m_windows();
        if (!windows) return std::unexpected(windows.error());
        content.windows = std::move(*windows);
    }
    return content;
}

std::expected<PortalScreenshot::LayoutPicture, CaptureError> PortalScreenshot::layoutPicture() {
    const auto now = std::chrono::steady_clock::now();
    if (m_recent && now - m_recent->takenAt < kPictureReuse) return *m_recent;
    auto layout = m_displays();
    if (!layout) return std::unexpected(layout.error());
    auto image = takePortalScreenshot(kPortalTimeout);
    if (!image) return std::unexpected(image.error());
    m_recent =
        LayoutPicture{std::move(*layout), std::move(*image), std::chrono::steady_clock::now()};
    return *m_recent;
}

std::expected<QImage, CaptureError> PortalScreenshot::captureDisplay(const DisplayInfo& display) {
    auto picture = layoutPicture();
    if (!picture) return std::unexpected(picture.error());
    const LayoutDisplay* found = findDisplay(picture->layout, display.displayID);
    if (!found) return std::unexpected(refused(QStringLiteral("the display has gone")));
    QImage cut = cutDisplayFromLayout(picture->image, picture->layout, *found);
    if (cut.isNull()) return std::unexpected(refused(QStringLiteral("an empty screenshot")));
    return cut;
}

std::expected<QImage, CaptureError> PortalScreenshot::captureWindow(const WindowInfo& window) {
    auto picture = layoutPicture();
    if (!picture) return std::unexpected(picture.error());
    for (const LayoutDisplay& display : picture->layout) {
        const QRect area = display.display.areaDevice;
        if (!area.contains(window.frameDevice.center())) continue;
        const QImage screen = cutDisplayFromLayout(picture->image, picture->layout, display);
        return screen.copy(window.frameDevice.intersected(area).translated(-area.topLeft()));
    }
    return std::unexpected(refused(QStringLiteral("the window lies on no display")));
}

std::expected<QImage, CaptureError> takePortalScreenshot(std::chrono::milliseconds timeout,
                                                         bool interactive) {
    auto uri = requestPortalScreenshot(timeout, interactive);
    if (!uri) return std::unexpected(uri.error());
    const QString path = QUrl(*uri).toLocalFile();
    QImage image(path);
    if (isPortalLeftover(path, QDir::homePath())) QFile::remove(path);
    if (image.isNull())
        return std::unexpected(
            refused(QStringLiteral("cannot read the portal's file %1").arg(path)));
    return image;
}

}  // namespace moxilane::wayland
