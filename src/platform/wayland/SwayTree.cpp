#include "platform/wayland/SwayTree.h"

#include <QJsonArray>
#include <QRect>

#include <cmath>

namespace moxilane::wayland {

namespace {

struct Output {
    QRect rectLogical;
    double scale = 1.0;
};

QRect rectOf(const QJsonValue& value) {
    const QJsonObject rect = value.toObject();
    return QRect(rect[u"x"].toInt(), rect[u"y"].toInt(), rect[u"width"].toInt(),
                 rect[u"height"].toInt());
}

bool isView(const QJsonObject& node) {
    return node.contains(u"pid");
}

// The title bar lies above the content's rectangle; with a pixel border or none it is empty.
QRect frameLogical(const QJsonObject& view) {
    const QRect rect = rectOf(view[u"rect"]);
    const int titleHeight = rectOf(view[u"deco_rect"]).height();
    return rect.adjusted(0, -titleHeight, 0, 0);
}

QRect toDevice(const QRect& logical, double scale) {
    return QRect(int(std::lround(logical.x() * scale)), int(std::lround(logical.y() * scale)),
                 int(std::lround(logical.width() * scale)),
                 int(std::lround(logical.height() * scale)));
}

double scaleAt(const QPoint& point, const std::vector<Output>& outputs, double fallback) {
    for (const Output& output : outputs)
        if (output.rectLogical.contains(point)) return output.scale;
    return fallback;
}

std::optional<OwningApplication> owningApplication(const QJsonObject& view) {
    // XWayland views have no app id; their X11 class names the program instead.
    QString name = view[u"app_id"].toString();
    if (name.isEmpty()) name = view[u"window_properties"].toObject()[u"class"].toString();
    const auto pid = std::int64_t(view[u"pid"].toDouble());
    if (pid == 0 && name.isEmpty()) return std::nullopt;
    return OwningApplication{pid, name};
}

class TreeWalk {
public:
    TreeWalk(std::vector<Output> outputs, std::int64_t ownPid)
        : m_outputs(std::move(outputs)), m_ownPid(ownPid) {}

    void workspace(const QJsonObject& node, double outputScale) {
        const QJsonArray floating = node[u"floating_nodes"].toArray();
        for (qsizetype i = floating.size() - 1; i >= 0; --i)
            collect(floating[i].toObject(), outputScale, m_floating);
        for (const QJsonValue& child : node[u"nodes"].toArray())
            collect(child.toObject(), outputScale, m_tiled);
    }

    std::vector<WindowInfo> frontToBack() && {
        m_floating.insert(m_floating.end(), m_tiled.begin(), m_tiled.end());
        return std::move(m_floating);
    }

private:
    void collect(const QJsonObject& node, double outputScale, std::vector<WindowInfo>& into) {
        if (!isView(node)) {
            for (const QJsonValue& child : node[u"nodes"].toArray())
                collect(child.toObject(), outputScale, into);
            return;
        }
        const QRect frame = frameLogical(node);
        const auto pid = std::int64_t(node[u"pid"].toDouble());
        if (!node[u"visible"].toBool() || pid == m_ownPid || frame.isEmpty()) return;
        WindowInfo window;
        window.windowID = std::uint32_t(node[u"id"].toDouble());
        window.frameDevice = toDevice(frame, scaleAt(frame.center(), m_outputs, outputScale));
        if (node[u"name"].isString()) window.title = node[u"name"].toString();
        window.isOnScreen = true;
        window.owningApplication = owningApplication(node);
        into.push_back(std::move(window));
    }

    std::vector<Output> m_outputs;
    std::int64_t m_ownPid;
    std::vector<WindowInfo> m_floating, m_tiled;
};

bool isRealOutput(const QJsonObject& node) {
    // sway keeps the scratchpad on a pseudo output that never shows.
    return node[u"type"].toString() == u"output" && node[u"name"].toString() != u"__i3";
}

}  // namespace

std::vector<WindowInfo> swayTreeWindows(const QJsonObject& tree, std::int64_t ownPid) {
    std::vector<Output> outputs;
    for (const QJsonValue& value : tree[u"nodes"].toArray()) {
        const QJsonObject node = value.toObject();
        if (isRealOutput(node))
            outputs.push_back({rectOf(node[u"rect"]), node[u"scale"].toDouble(1.0)});
    }
    TreeWalk walk(outputs, ownPid);
    for (const QJsonValue& value : tree[u"nodes"].toArray()) {
        const QJsonObject output = value.toObject();
        if (!isRealOutput(output)) continue;
        for (const QJsonValue& workspace : output[u"nodes"].toArray())
            walk.workspace(workspace.toObject(), output[u"scale"].toDouble(1.0));
    }
    return std::move(walk).frontToBack();
}

}  // namespace moxilane::wayland
