#include "platform/wayland/kde/KWinWindows.h"

#include "platform/wayland/WaylandIds.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace moxilane::wayland {

namespace {

int layerOf(const QJsonObject& window) {
    if (window[u"desktopWindow"].toBool()) return windowLayers::desktop;
    if (window[u"dock"].toBool()) return windowLayers::dock;
    if (window[u"notification"].toBool()) return windowLayers::notification;
    if (window[u"popup"].toBool()) return windowLayers::popUp;
    return window[u"keepAbove"].toBool() ? windowLayers::floating : windowLayers::normal;
}

double scaleAt(const QPointF& point, const std::vector<KWinOutputScale>& outputs) {
    for (const KWinOutputScale& output : outputs)
        if (QRectF(output.geometryLogical).contains(point)) return output.scale;
    return outputs.empty() ? 1.0 : outputs.front().scale;
}

// KWin's frames are in points and may be fractional at fractional scales.
QRect frameDevice(const QJsonObject& window, const std::vector<KWinOutputScale>& outputs) {
    const QRectF logical(window[u"x"].toDouble(), window[u"y"].toDouble(),
                         window[u"width"].toDouble(), window[u"height"].toDouble());
    const double scale = scaleAt(logical.center(), outputs);
    const QPoint topLeft(int(std::lround(logical.x() * scale)),
                         int(std::lround(logical.y() * scale)));
    const QPoint bottomRight(int(std::lround(logical.right() * scale)),
                             int(std::lround(logical.bottom() * scale)));
    return QRect(topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y()));
}

std::optional<OwningApplication> owningApplication(const QJsonObject& window) {
    const auto pid = std::int64_t(window[u"pid"].toDouble());
    const QString name = window[u"resourceClass"].toString();
    if (pid <= 0 && name.isEmpty()) return std::nullopt;
    return OwningApplication{pid > 0 ? pid : 0, name};
}

}  // namespace

std::uint32_t windowIdForInternalId(const QString& internalId) {
    return displayIdForName(internalId);
}

std::expected<std::vector<KWinWindow>, CaptureError> kwinWindowsFromReport(
    const QByteArray& reportJson, std::int64_t ownPid,
    const std::vector<KWinOutputScale>& outputs) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(reportJson, &error);
    if (!document.isArray())
        return std::unexpected(CaptureError{
            CaptureError::Kind::Refused,
            QStringLiteral("KWin's window list is unreadable: ") + error.errorString()});
    const QJsonArray bottomToTop = document.array();
    std::vector<KWinWindow> result;
    for (qsizetype i = bottomToTop.size() - 1; i >= 0; --i) {
        const QJsonObject window = bottomToTop[i].toObject();
        const QString internalId = window[u"internalId"].toString();
        if (internalId.isEmpty() || std::int64_t(window[u"pid"].toDouble()) == ownPid) continue;
        // A closed window lingers in the stacking order while it fades out.
        if (window[u"minimized"].toBool() || !window[u"onCurrentDesktop"].toBool() ||
            window[u"deleted"].toBool())
            continue;
        KWinWindow entry{WindowInfo{}, internalId};
        entry.info.windowID = windowIdForInternalId(internalId);
        entry.info.frameDevice = frameDevice(window, outputs);
        if (entry.info.frameDevice.isEmpty()) continue;
        if (window[u"caption"].isString()) entry.info.title = window[u"caption"].toString();
        entry.info.windowLayer = layerOf(window);
        entry.info.isOnScreen = true;
        entry.info.owningApplication = owningApplication(window);
        result.push_back(std::move(entry));
    }
    return result;
}

QString kwinWindowReportScript(const QString& busName, const QString& objectPath,
                               const QString& interface, const QString& method) {
    // Plasma 5.27 names the stacking order; older KWin only lists windows.
    static const char* const kScript = R"JS((function () {
    const windows = workspace.stackingOrder !== undefined ? workspace.stackingOrder
                                                          : workspace.clientList();
    const report = [];
    for (let i = 0; i < windows.length; ++i) {
        const w = windows[i];
        const g = w.frameGeometry;
        report.push({
            caption: String(w.caption), resourceClass: String(w.resourceClass), pid: w.pid,
            internalId: String(w.internalId), x: g.x, y: g.y, width: g.width, height: g.height,
            minimized: !!w.minimized, onCurrentDesktop: !!(w.onAllDesktops ||
                w.desktop === workspace.currentDesktop || w.desktopWindow || w.dock),
            desktopWindow: !!w.desktopWindow, dock: !!w.dock, keepAbove: !!w.keepAbove,
            notification: !!(w.notification || w.criticalNotification || w.onScreenDisplay),
            popup: !!(w.popupWindow || w.tooltip || w.dropdownMenu || w.popupMenu || w.comboBox),
            deleted: !!w.deleted
        });
    }
    callDBus("%1", "%2", "%3", "%4", JSON.stringify(report));
})();
)JS";
    return QString::fromLatin1(kScript).arg(busName, objectPath, interface, method);
}

}  // namespace moxilane::wayland
