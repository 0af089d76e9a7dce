#include "selection/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>

namespace moxilane::QtScreens {

namespace {

double primaryBottom() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry().y() + primary->geometry().height() : 0;
}

}  // namespace

QScreen* find(const ScreenInfo& screen) {
    const double bottom = primaryBottom();
    for (QScreen* candidate : QGuiApplication::screens()) {
        if (flipVertically(QRectF(candidate->geometry()), bottom) == screen.frame) return candidate;
    }
    return nullptr;
}

std::vector<WindowCandidates::ScreenPlacement> placements() {
    std::vector<WindowCandidates::ScreenPlacement> result;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return result;
    const double primaryTop = primary->geometry().y();
    QList<QScreen*> screens = QGuiApplication::screens();
    std::stable_partition(screens.begin(), screens.end(),
                          [&](const QScreen* s) { return s == primary; });
    for (const QScreen* screen : screens) {
        const QRect geometry = screen->geometry();
        const double scale = screen->devicePixelRatio();
        result.push_back({QRectF(geometry).translated(0, -primaryTop),
                          QRect(geometry.topLeft(), (QSizeF(geometry.size()) * scale).toSize()),
                          scale});
    }
    return result;
}

}  // namespace moxilane::QtScreens
