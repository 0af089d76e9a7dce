// Times KWin's grabs as the capture worker makes them on Plasma: the whole first output, a
// window (the first listed that is not ours) and an 800x600 area, a scrolling capture's tick.
// Run inside a KWin session, granted the screenshot interface (bench.sh does both).
// Argument: runs after the first (default 7). Prints first, min, median and max in ms.
#include "platform/wayland/kde/KWinScreenShot2.h"
#include "platform/wayland/kde/KWinWindowList.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace moxilane::wayland;

namespace {

bool measure(const char* what, int runs,
             const std::function<std::expected<QImage, KWinShotError>()>& grab) {
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const auto image = grab();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (!image) {
            std::fprintf(stderr, "%s failed: %s\n", what, qPrintable(image.error().message));
            return false;
        }
        if (i == 0)
            std::printf("%s %dx%d: first %.1f ms", what, image->width(), image->height(),
                        took.count());
        else
            times.push_back(took.count());
    }
    std::ranges::sort(times);
    std::printf(", %zu runs: min %.1f  median %.1f  max %.1f ms\n", times.size(), times.front(),
                times[times.size() / 2], times.back());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "wayland");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 7;
    KWinScreenShot2 kwin;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const auto windows = listKWinWindows({{screen->geometry(), screen->devicePixelRatio()}},
                                         std::chrono::seconds(3));
    if (!windows || windows->empty()) {
        std::fprintf(stderr, "no window to grab\n");
        return 1;
    }
    // The largest ordinary window: the session's test window, not a panel or KWin's own.
    const auto largest = std::ranges::max_element(*windows, {}, [](const KWinWindow& w) {
        return w.info.windowLayer == 0 ? w.info.frameDevice.width() * w.info.frameDevice.height()
                                       : 0;
    });
    const QString window = largest->internalId;
    const bool ok =
        measure("screen", runs, [&] { return kwin.captureScreen(screen->name()); }) &&
        measure("window", runs, [&] { return kwin.captureWindow(window); }) &&
        measure("area", runs, [&] { return kwin.captureArea(QRect(100, 100, 800, 600)); });
    return ok ? 0 : 1;
}
