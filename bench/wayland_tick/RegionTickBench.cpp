// Times the region grab a scrolling capture makes on every tick: screencopy of an area of
// the first output, as the capture worker does it. Arguments: width height runs (device
// pixels; default 800 600 21). Prints min, median and max in milliseconds.
#include "platform/wayland/WaylandCaptureService.h"
#include "platform/wayland/WaylandConnection.h"

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "wayland");
    QGuiApplication app(argc, argv);
    const int width = argc > 1 ? std::atoi(argv[1]) : 800;
    const int height = argc > 2 ? std::atoi(argv[2]) : 600;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 21;
    moxilane::wayland::WaylandCaptureService service(moxilane::wayland::qtDisplay(), {});
    const auto displays = service.displays();
    if (!displays) {
        std::fprintf(stderr, "no displays: %s\n", qPrintable(displays.error().description()));
        return 1;
    }
    const QRect area(100, 100, width, height);
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const auto image = service.captureRegion(displays->front(), area, {});
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (!image || image->size() != area.size()) {
            std::fprintf(stderr, "capture failed\n");
            return 1;
        }
        if (i == 0)
            std::printf("first (binds the protocol): %.1f ms\n", took.count());
        else
            times.push_back(took.count());
    }
    std::ranges::sort(times);
    std::printf("region %dx%d, %zu runs: min %.1f  median %.1f  max %.1f ms\n", width, height,
                times.size(), times.front(), times[times.size() / 2], times.back());
    return 0;
}
