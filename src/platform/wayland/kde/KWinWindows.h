#pragma once

#include "platform/CaptureService.h"

#include <QByteArray>
#include <QRect>
#include <QString>

#include <cstdint>
#include <expected>
#include <vector>

namespace moxilane::wayland {

// A window as KWin's script reported it, and the id KWin captures it by.
struct KWinWindow {
    WindowInfo info;
    QString internalId;
};

// An output's place in points and its scale, to turn KWin's logical frames into device pixels.
struct KWinOutputScale {
    QRect geometryLogical;
    double scale = 1.0;
};

// The number a window is known by in the capture service, made from KWin's internal id.
[[nodiscard]] std::uint32_t windowIdForInternalId(const QString& internalId);

// The windows the user sees, front to back, from the script's report (a JSON array of
// windows bottom to top). Our own (ownPid), minimized, closing ones and those on other
// desktops are left out.
[[nodiscard]] std::expected<std::vector<KWinWindow>, CaptureError> kwinWindowsFromReport(
    const QByteArray& reportJson, std::int64_t ownPid, const std::vector<KWinOutputScale>& outputs);

// The script KWin runs to report its windows to us: it calls method on our bus name and
// object path.
[[nodiscard]] QString kwinWindowReportScript(const QString& busName, const QString& objectPath,
                                             const QString& interface, const QString& method);

}  // namespace moxilane::wayland
