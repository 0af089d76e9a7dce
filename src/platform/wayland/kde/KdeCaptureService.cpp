#include "platform/wayland/kde/KdeCaptureService.h"

#include "platform/wayland/LayerSurfaces.h"
#include "platform/wayland/OurPixels.h"
#include "platform/wayland/OutputRegion.h"
#include "platform/wayland/WaylandScreens.h"
#include "platform/wayland/kde/KWinWindowList.h"

#include <QDir>

#include <cstdio>

namespace moxilane::wayland {

namespace {

using namespace std::chrono_literals;

CaptureError refused(const QString& why) {
    return CaptureError{CaptureError::Kind::Refused, why};
}

std::vector<LayoutDisplay> layoutOf(const std::vector<KdeOutput>& outputs) {
    std::vector<LayoutDisplay> layout;
    for (const KdeOutput& output : outputs)
        layout.push_back(output.layout);
    return layout;
}

// KDE's Screenshot portal writes into ~/Pictures and fails when the folder is missing.
std::expected<void, CaptureError> ensurePicturesFolder() {
    const QString pictures = QDir::homePath() + QStringLiteral("/Pictures");
    if (QDir().mkpath(pictures)) return {};
    return std::unexpected(
        refused(QStringLiteral("cannot create %1, where the screenshot portal saves its pictures")
                    .arg(pictures)));
}

}  // namespace

KdeCaptureService::KdeCaptureService(OutputSource outputs)
    : m_outputs(std::move(outputs)),
      m_portal([this]() -> std::expected<std::vector<LayoutDisplay>, CaptureError> {
          auto known = m_outputs();
          if (!known) return std::unexpected(known.error());
          return layoutOf(*known);
      }) {}

void KdeCaptureService::prepare() {
    auto outputs = m_outputs();
    if (!outputs || outputs->empty()) return;
    const QRect probe(outputs->front().layout.geometryLogical.topLeft(), QSize(1, 1));
    static_cast<void>(fromKWin(m_kwin.captureArea(probe)));
}

std::expected<QImage, CaptureError> KdeCaptureService::fromKWin(
    std::expected<QImage, KWinShotError> shot) {
    if (shot) return std::move(*shot);
    if (!shot.error().allowsFallback()) return std::unexpected(shot.error().toCaptureError());
    if (!m_usePortal.exchange(true)) {
        // Once: the user should know why captures got slower and lost covered windows.
        const bool refusedUs = shot.error().kind == KWinShotError::Kind::NotAuthorized;
        const QString why = refusedUs
                                ? QStringLiteral(
                                      "KWin refused its screenshots (%1); start moxilane from "
                                      "its installed desktop entry to be granted them")
                                : QStringLiteral(
                                      "KWin offers no screenshots (%1): it grants them only "
                                      "when compositing with OpenGL");
        const QByteArray line = (QStringLiteral("moxilane: ") + why.arg(shot.error().message) +
                                 QStringLiteral("; using the screenshot portal.\n"))
                                    .toLocal8Bit();
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    }
    return std::unexpected(shot.error().toCaptureError());
}

std::expected<KdeOutput, CaptureError> KdeCaptureService::outputOf(std::uint32_t displayID) {
    auto outputs = m_outputs();
    if (!outputs) return std::unexpected(outputs.error());
    for (const KdeOutput& output : *outputs)
        if (output.layout.display.displayID == displayID) return output;
    return std::unexpected(refused(QStringLiteral("the display has gone")));
}

std::expected<std::vector<DisplayInfo>, CaptureError> KdeCaptureService::displays() {
    auto outputs = m_outputs();
    if (!outputs) return std::unexpected(outputs.error());
    std::vector<DisplayInfo> result;
    for (const KdeOutput& output : *outputs)
        result.push_back(output.layout.display);
    return result;
}

std::expected<std::vector<WindowInfo>, CaptureError> KdeCaptureService::listWindows() {
    auto outputs = m_outputs();
    if (!outputs) return std::unexpected(outputs.error());
    std::vector<KWinOutputScale> scales;
    for (const KdeOutput& output : *outputs)
        scales.push_back({output.layout.geometryLogical, output.scale});
    auto windows = listKWinWindows(scales, 3s);
    if (!windows) return std::unexpected(windows.error());
    m_internalIds.clear();
    std::vector<WindowInfo> result;
    for (KWinWindow& window : *windows) {
        m_internalIds[window.info.windowID] = window.internalId;
        result.push_back(std::move(window.info));
    }
    return result;
}

std::expected<ShareableContent, CaptureError> KdeCaptureService::shareableContent() {
    auto displayList = displays();
    if (!displayList) return std::unexpected(displayList.error());
    auto windows = listWindows();
    if (!windows) return std::unexpected(windows.error());
    return ShareableContent{std::move(*displayList), std::move(*windows)};
}

std::expected<QImage, CaptureError> KdeCaptureService::captureDisplay(const DisplayInfo& display) {
    if (!m_usePortal) {
        auto output = outputOf(display.displayID);
        if (!output) return std::unexpected(output.error());
        auto image = fromKWin(m_kwin.captureScreen(output->name));
        if (image || !m_usePortal) return image;
    }
    if (auto folder = ensurePicturesFolder(); !folder) return std::unexpected(folder.error());
    return m_portal.captureDisplay(display);
}

std::expected<QImage, CaptureError> KdeCaptureService::captureWindow(const WindowInfo& window) {
    if (!m_usePortal) {
        const auto found = m_internalIds.find(window.windowID);
        if (found == m_internalIds.end())
            return std::unexpected(refused(QStringLiteral("the window has gone")));
        auto image = fromKWin(m_kwin.captureWindow(found->second));
        if (image || !m_usePortal) return image;
    }
    if (auto folder = ensurePicturesFolder(); !folder) return std::unexpected(folder.error());
    return m_portal.captureWindow(window);
}

// As on wlroots: our panel and frame lie outside the area, and where they must overlap it they
// are painted one flat colour, so the stitcher never sees our moving status text.
std::expected<QImage, CaptureError> KdeCaptureService::captureRegion(
    const DisplayInfo& display, const QRect& area,
    const std::vector<std::uint32_t>& excludedWindows) {
    if (m_usePortal)
        return std::unexpected(
            CaptureError{CaptureError::Kind::Unsupported,
                         QStringLiteral("no region capture through the portal")});
    auto output = outputOf(display.displayID);
    if (!output) return std::unexpected(output.error());
    const OutputRegion region = outputRegionFor(area, output->scale);
    auto image = fromKWin(
        m_kwin.captureArea(region.logical.translated(output->layout.geometryLogical.topLeft())));
    if (!image) return image;
    if (!region.offsetDevice.isNull() || image->size() != area.size())
        *image = image->copy(QRect(region.offsetDevice, area.size()));
    const QRect areaOnDesktop = area.translated(display.areaDevice.topLeft());
    paintOursFlat(*image, areaOnDesktop.topLeft(), ourSurfacesIn(areaOnDesktop, excludedWindows));
    return image;
}

KdeCaptureService::OutputSource kdeOutputsForWorker() {
    auto screens = std::make_shared<ScreensForWorker>();
    return [screens]() -> std::expected<std::vector<KdeOutput>, CaptureError> {
        auto all = screens->screens();
        if (!all) return std::unexpected(all.error());
        std::vector<KdeOutput> outputs;
        for (const ScreenLayout::Screen& screen : *all)
            outputs.push_back({{{screen.displayID, screen.areaDevice}, screen.frame.toRect()},
                               screen.name,
                               screen.scale});
        return outputs;
    };
}

}  // namespace moxilane::wayland
