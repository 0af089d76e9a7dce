// Times a scrolling capture's tick on GNOME: captureRegion on the ScreenCast stream, as the
// capture worker calls it, and the time from a repaint of our own maximized window to the
// first tick that sees it. The screen-share permission must be granted (its restore token in
// the settings file). Arguments: width height runs (device pixels; default 800 600 21).
#include "platform/Settings.h"
#include "platform/wayland/gnome/ScreenCastCapture.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace moxilane;
using namespace moxilane::wayland;
using Clock = std::chrono::steady_clock;

namespace {

class ColourWindow final : public QRasterWindow {
public:
    QColor colour = Qt::red;
    bool painted = false;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(QPoint(), size()), colour);
        painted = true;
    }
};

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void print(const char* what, std::vector<double> times) {
    std::ranges::sort(times);
    std::printf("%s (%zu): min %.1f  median %.1f  max %.1f ms\n", what, times.size(), times.front(),
                times[times.size() / 2], times.back());
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "wayland");
    QGuiApplication app(argc, argv);
    const int width = argc > 1 ? std::atoi(argv[1]) : 800;
    const int height = argc > 2 ? std::atoi(argv[2]) : 600;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 21;
    QScreen* screen = QGuiApplication::primaryScreen();
    const double scale = screen->devicePixelRatio();
    const QRect geometry = screen->geometry();
    const DisplayInfo display{1, QRect(QPoint(), geometry.size() * scale)};
    const auto layout = [=] {
        return std::expected<std::vector<LayoutDisplay>, CaptureError>(
            std::vector<LayoutDisplay>{{display, geometry}});
    };
    ScreenCastCapture service(
        std::make_unique<PortalScreenshot>(layout), layout,
        {[] { return Settings(Settings::userFilePath()).screenCastRestoreToken(); },
         [](const QString& token) {
             Settings(Settings::userFilePath()).setScreenCastRestoreToken(token);
         }});

    ColourWindow window;
    window.showMaximized();
    const auto settle = [&](int ms) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < end)
            app.processEvents(QEventLoop::AllEvents, 10);
    };
    settle(1500);
    // The area lies in the middle of the screen, where the window is.
    const QRect area(
        QPoint(display.areaDevice.width() - width, display.areaDevice.height() - height) / 2,
        QSize(width, height));
    auto start = Clock::now();
    auto first = service.captureRegion(display, area, {});
    if (!first) {
        std::fprintf(stderr, "%s\n", qPrintable(first.error().description()));
        return 1;
    }
    std::printf("first (opens the portal session and the stream): %.1f ms\n", msSince(start));

    std::vector<double> grabs, seen;
    for (int i = 0; i < runs; ++i) {
        window.colour = i % 2 ? Qt::red : Qt::blue;
        window.painted = false;
        window.update();
        while (!window.painted)
            app.processEvents(QEventLoop::AllEvents, 5);
        app.processEvents();  // the buffer goes to the compositor
        start = Clock::now();
        for (;;) {
            const auto grabStart = Clock::now();
            const auto image = service.captureRegion(display, area, {});
            grabs.push_back(msSince(grabStart));
            if (!image || image->size() != area.size()) {
                std::fprintf(stderr, "capture failed\n");
                return 1;
            }
            if (image->pixelColor(width / 2, height / 2) == window.colour) break;
            if (msSince(start) > 2000) {
                std::fprintf(stderr, "the change never reached the stream\n");
                return 1;
            }
        }
        seen.push_back(msSince(start));
        settle(100);
    }
    service.regionCapturesEnded();
    print("grab of the newest frame, cut and copied; grabs", grabs);
    char what[64];
    std::snprintf(what, sizeof what, "repaint to a grab that sees it, %dx%d; repaints", width,
                  height);
    print(what, seen);
    return 0;
}
