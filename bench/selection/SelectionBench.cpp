// The region overlay and the window picker on a private 3840×2160 Xvfb showing a realistic
// desktop (see RESULTS.md):
// - hot key to overlay mapped and painted, with the real program: an observer puts a DAMAGE
//   object on the overlay when it is created and stops at the first DamageNotify after its
//   MapNotify at which the overlay's pixels show the dimmed desktop; the first selection
//   after the agent starts (new windows) and those that follow (windows kept);
// - one drag step's repaint, in this process, through Qt's real paint and flush;
// - the picker's hit test over 50 windows, and a highlight change with its repaint;
// - a 1920×1080 window read through Composite, with and without the shadow.
//   build/bench/selection/selection_bench

#include "Agent.h"
#include "capture/WindowShadow.h"
#include "common/RealisticScreen.h"
#include "common/Spread.h"
#include "platform/x11/X11CaptureService.h"
#include "platform/x11/X11Screens.h"
#include "platform/x11/X11WindowRoles.h"
#include "selection/RegionSelectionView.h"
#include "selection/WindowCandidates.h"
#include "selection/WindowPickerView.h"

#include <QApplication>
#include <QScreen>

#include <benchmark/benchmark.h>
#include <xcb/damage.h>

#include <cstdlib>
#include <map>
#include <random>
#include <thread>

using namespace moxilane;
using namespace moxilane::test;
using Clock = std::chrono::steady_clock;

namespace {

const QSize k4K(3840, 2160);
XSession* g_session = nullptr;
QImage g_desktop;

// Waits for the next event the predicate accepts; nothing on timeout.
template <class Accept>
bool waitForEvent(xcb_connection_t* c, Accept accept, std::chrono::milliseconds deadline) {
    const auto end = Clock::now() + deadline;
    while (Clock::now() < end) {
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (!event) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        const bool done = accept(event);
        free(event);
        if (done) return true;
    }
    return false;
}

// What each way in shows over the desktop: black at 0.25 over it for the region overlay, at
// 0.15 for the picker; a unit of rounding either way.
enum class Trigger { RegionKey, PickerKey, AreaCommand };

bool isShaded(quint32 shown, QRgb desktop, double alpha) {
    for (const int shift : {0, 8, 16}) {
        const int expected = int(((desktop >> shift) & 0xff) * (1.0 - alpha));
        if (std::abs(int((shown >> shift) & 0xff) - expected) > 1) return false;
    }
    return true;
}

// The overlay shows the desktop as the trigger's view paints it, at a few spots.
bool showsShadedDesktop(xcb_connection_t* c, xcb_window_t overlay, Trigger trigger) {
    const double alpha = trigger == Trigger::PickerKey ? 0.15 : 0.25;
    for (const QPoint spot : {QPoint(200, 150), QPoint(1900, 1000), QPoint(3600, 2000)}) {
        constexpr int kSide = 8;
        auto* reply = xcb_get_image_reply(c,
                                          xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, overlay,
                                                        spot.x(), spot.y(), kSide, kSide, ~0u),
                                          nullptr);
        if (!reply) return false;
        const auto* pixels = reinterpret_cast<const quint32*>(xcb_get_image_data(reply));
        bool same = true;
        for (int y = 0; y < kSide && same; ++y) {
            for (int x = 0; x < kSide && same; ++x)
                same = isShaded(pixels[y * kSide + x], g_desktop.pixel(spot.x() + x, spot.y() + y),
                                alpha);
        }
        free(reply);
        if (!same) return false;
    }
    return true;
}

// A connection of the benchmark's own that watches the drawing (DAMAGE).
struct Observer {
    Observer()
        : connection(xcb_connect(g_session->display().toLatin1().constData(), nullptr)),
          damage(xcb_get_extension_data(connection, &xcb_damage_id)),
          root(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root) {
        free(xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1),
                                            nullptr));
    }
    ~Observer() { xcb_disconnect(connection); }
    Observer(const Observer&) = delete;
    Observer& operator=(const Observer&) = delete;

    xcb_connection_t* connection;
    const xcb_query_extension_reply_t* damage;
    xcb_window_t root;
};

void startSelection(Trigger trigger) {
    switch (trigger) {
        case Trigger::RegionKey:
            g_session->pressKeys("ctrl+shift+1");
            break;
        case Trigger::PickerKey:
            g_session->pressKeys("ctrl+shift+2");
            break;
        case Trigger::AreaCommand:
            // The whole command: its process start and the trip to the running agent.
            g_session->start(Agent::binary(), {"area"}, g_session->environment());
            break;
    }
}

// First arg 1: selections in a row (the overlay's windows are kept); 0: the first selection
// of an agent started a second before. Second arg: the Trigger.
void BM_HotKeyToOverlayPainted(benchmark::State& state) {
    const bool inARow = state.range(0) != 0;
    const auto trigger = static_cast<Trigger>(state.range(1));
    auto agent = std::make_unique<Agent>(*g_session);
    if (!agent->waitUntilReady()) return state.SkipWithError("the agent did not start");
    const Observer observer;
    xcb_connection_t* c = observer.connection;
    const auto* damageExtension = observer.damage;
    const xcb_window_t root = observer.root;
    const std::uint32_t mask[] = {XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY};
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, mask);
    xcb_flush(c);
    g_session->movePointer({1000, 800});

    // The DAMAGE object goes on an overlay as soon as it exists, before it is mapped, so a
    // paint right after the map cannot slip by. The overlay's windows are kept between
    // selections, and so are their DAMAGE objects.
    std::map<xcb_window_t, xcb_damage_damage_t> damages;
    auto once = [&]() -> std::optional<double> {
        const auto start = Clock::now();
        startSelection(trigger);
        xcb_window_t mapped = XCB_WINDOW_NONE;
        const bool painted = waitForEvent(
            c,
            [&](xcb_generic_event_t* e) {
                const int type = e->response_type & 0x7f;
                if (type == XCB_CREATE_NOTIFY) {
                    const auto* create = reinterpret_cast<xcb_create_notify_event_t*>(e);
                    if (!create->override_redirect || create->width < 1000) return false;
                    const xcb_damage_damage_t damage = xcb_generate_id(c);
                    xcb_damage_create(c, damage, create->window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                    // Its own map is told to it wherever it has moved: the agent may put it
                    // in the layer that holds the screen still.
                    const std::uint32_t structure[] = {XCB_EVENT_MASK_STRUCTURE_NOTIFY};
                    xcb_change_window_attributes(c, create->window, XCB_CW_EVENT_MASK, structure);
                    xcb_flush(c);
                    damages[create->window] = damage;
                } else if (type == XCB_MAP_NOTIFY) {
                    const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(e);
                    if (damages.contains(map->window)) mapped = map->window;
                } else if (type == damageExtension->first_event + XCB_DAMAGE_NOTIFY) {
                    const auto* notify = reinterpret_cast<xcb_damage_notify_event_t*>(e);
                    xcb_damage_subtract(c, notify->damage, XCB_NONE, XCB_NONE);
                    xcb_flush(c);
                    // Mapping a redirected window damages it too: wait for the pixels.
                    return notify->drawable == mapped && showsShadedDesktop(c, mapped, trigger);
                }
                return false;
            },
            std::chrono::seconds(5));
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        g_session->pressKeys("Escape");
        waitUntil([&] { return g_session->shownOverlays() == 0; });
        // The flow ends after the overlay: let the agent become idle again.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (!painted) return std::nullopt;
        return seconds;
    };
    for (int i = 0; i < 2 && inARow; ++i)
        once();
    bench::Spread spread;
    for (auto _ : state) {
        if (!inARow) {
            agent->process->terminate();
            agent->process->waitForFinished();
            damages.clear();  // they went with the windows
            agent = std::make_unique<Agent>(*g_session);
            if (!agent->waitUntilReady()) return state.SkipWithError("the agent did not start");
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        const auto seconds = once();
        if (!seconds) return state.SkipWithError("no overlay was painted");
        state.SetIterationTime(*seconds);
        spread.add(*seconds);
    }
    spread.report(state);
    for (const auto& [window, damage] : damages)
        xcb_damage_destroy(c, damage);
    agent->process->terminate();
    agent->process->waitForFinished();
}
BENCHMARK(BM_HotKeyToOverlayPainted)
    ->ArgsProduct({{1, 0}, {0, 1, 2}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);

// One drag step as the user feels it, with the real program: XTest moves the pressed pointer
// and the clock stops when the server reports drawing on screen where the new corner lies
// (a DAMAGE object on the root sees every window's drawing). 60 steps of a drag that grows
// and shrinks a large selection.
void BM_DragStepOnScreen(benchmark::State& state) {
    auto agent = std::make_unique<Agent>(*g_session);
    if (!agent->waitUntilReady()) return state.SkipWithError("the agent did not start");
    const Observer watch;
    xcb_connection_t* c = watch.connection;
    const QPoint start(600, 400);
    bench::Spread spread;
    int slow = 0;
    for (auto _ : state) {
        if (!g_session->openOverlays("ctrl+shift+1", start, 1))
            return state.SkipWithError("no overlay");
        g_session->pressButton(start);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const xcb_damage_damage_t damage = xcb_generate_id(c);
        xcb_damage_create(c, damage, watch.root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        xcb_flush(c);
        double total = 0;
        for (int step = 1; step <= 60; ++step) {
            // Out by 70 × 40 pixels a step to 2170 × 1240, then back to 140 × 80.
            const int reach = step <= 31 ? step : 62 - step;
            const QPoint corner = start + QPoint(reach * 70, reach * 40);
            const auto begin = Clock::now();
            g_session->movePointer(corner);
            const bool shown = waitForEvent(
                c,
                [&](xcb_generic_event_t* e) {
                    if ((e->response_type & 0x7f) != watch.damage->first_event + XCB_DAMAGE_NOTIFY)
                        return false;
                    const auto* notify = reinterpret_cast<xcb_damage_notify_event_t*>(e);
                    const QRect area(notify->area.x, notify->area.y, notify->area.width,
                                     notify->area.height);
                    return area.adjusted(-2, -2, 2, 2).contains(corner);
                },
                std::chrono::seconds(2));
            const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
            if (!shown) return state.SkipWithError("a step was not drawn");
            spread.add(seconds);
            if (seconds > 0.008) ++slow;
            total += seconds;
        }
        state.SetIterationTime(total);
        xcb_damage_destroy(c, damage);
        g_session->pressKeys("Escape");
        g_session->releaseButton(start + QPoint(70, 40));
        g_session->overlaysGone();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        // Drop what the last drag left queued.
        while (xcb_generic_event_t* e = xcb_poll_for_event(c))
            free(e);
    }
    spread.report(state);
    state.counters["steps_over_8ms"] = slow;
    agent->process->terminate();
    agent->process->waitForFinished();
}
BENCHMARK(BM_DragStepOnScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

ScreenLayout screenLayout() {
    return x11::X11Screens().layout();
}

ScreenInfo primaryInfo() {
    return screenLayout().screenInfos().front();
}

void syncWithServer() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11->connection();
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

// One mouse step of a large drag: the changed strips painted and flushed to the server.
// Arg 1: on the held screen (the window shows the screen itself; strips are put without a
// backing store), as without a compositing manager; 0: a window of its own, as under one.
void BM_DragRepaint(benchmark::State& state) {
    x11::X11WindowRoles roles;
    const auto held = state.range(0) != 0 ? roles.holdScreen() : nullptr;
    if (state.range(0) != 0 && !held) return state.SkipWithError("the screen cannot be held");
    RegionSelectionView view(QGuiApplication::primaryScreen(), roles);
    view.prepare(primaryInfo(), g_desktop, std::nullopt);
    view.show();
    QApplication::processEvents();
    syncWithServer();
    view.pressAt({400, 300});
    int step = 0;
    for (auto _ : state) {
        ++step;
        view.dragTo(QPointF(2400 + (step % 200) * 3, 1500 + (step % 200) * 2));
        QApplication::sendPostedEvents();
        syncWithServer();
    }
    view.hide();
}
BENCHMARK(BM_DragRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

std::vector<WindowInfo> fiftyWindows() {
    std::mt19937 random(5);
    std::vector<WindowInfo> windows;
    for (std::uint32_t i = 0; i < 50; ++i) {
        WindowInfo w;
        w.windowID = i + 1;
        const double width = 300 + random() % 1200;
        const double height = 200 + random() % 800;
        w.frame =
            QRectF(random() % int(3840 - width), random() % int(2160 - height), width, height);
        w.isOnScreen = true;
        w.owningApplication = OwningApplication{1000 + i, QStringLiteral("Application %1").arg(i)};
        w.title = QStringLiteral("Document number %1").arg(i);
        windows.push_back(w);
    }
    return windows;
}

// The hit test alone, at points spread over the screen (y up, from the primary's bottom).
void BM_PickerHitTest50Windows(benchmark::State& state) {
    const WindowCandidates candidates(fiftyWindows(), 1, screenLayout());
    std::mt19937 random(9);
    std::vector<QPointF> points;
    for (int i = 0; i < 1024; ++i)
        points.emplace_back(random() % 3840, random() % 2160);
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(candidates.windowUnder(points[i++ % points.size()]));
}
BENCHMARK(BM_PickerHitTest50Windows);

// A mouse move that moves the highlight to another window: hit test, both frames repainted
// and flushed. Arg as for BM_DragRepaint.
void BM_PickerHighlightMove(benchmark::State& state) {
    auto candidates = std::make_shared<const WindowCandidates>(fiftyWindows(), 1, screenLayout());
    x11::X11WindowRoles roles;
    const auto held = state.range(0) != 0 ? roles.holdScreen() : nullptr;
    if (state.range(0) != 0 && !held) return state.SkipWithError("the screen cannot be held");
    WindowPickerView view(QGuiApplication::primaryScreen(), roles);
    view.prepare(primaryInfo(), g_desktop, candidates);
    view.show();
    QApplication::processEvents();
    syncWithServer();
    std::vector<QPointF> centres;  // y up
    for (const WindowInfo& w : candidates->candidates())
        centres.emplace_back(w.frame.center().x(), 2160 - w.frame.center().y());
    std::size_t i = 0;
    for (auto _ : state) {
        view.setHighlighted(candidates->windowUnder(centres[i++ % centres.size()]));
        QApplication::sendPostedEvents();
        syncWithServer();
    }
    view.hide();
}
BENCHMARK(BM_PickerHighlightMove)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A 1920×1080 window, half covered, read from its Composite pixmap; with the shadow.
void BM_WindowCapture1920x1080(benchmark::State& state) {
    const bool withShadow = state.range(0) != 0;
    x11::X11CaptureService service;
    const QImage picture = g_desktop.copy(0, 0, 1920, 1080);
    const xcb_window_t client = g_session->showWindow(picture, {200, 200}, "Large window");
    g_session->showWindow(picture.copy(0, 0, 900, 700), {1000, 600}, "Covering window");
    if (!client) return state.SkipWithError("no window");
    WindowInfo window;
    window.windowID = client;
    for (auto _ : state) {
        auto image = service.captureWindow(window);
        if (!image) return state.SkipWithError(image.error().description().toStdString().c_str());
        if (withShadow) benchmark::DoNotOptimize(compositeShadow(*image, 1.0));
    }
}
BENCHMARK(BM_WindowCapture1920x1080)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The shadow alone, for a window of the same size at both scales.
void BM_Shadow(benchmark::State& state) {
    const double scale = double(state.range(0));
    const QImage window = g_desktop.copy(0, 0, int(1920 * scale), int(1080 * scale));
    for (auto _ : state)
        benchmark::DoNotOptimize(compositeShadow(window, scale));
}
BENCHMARK(BM_Shadow)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    XSession session(k4K, {{"MAIN", QRect(QPoint(0, 0), k4K), true}});
    if (!session.isReady()) {
        std::fputs("no X server\n", stderr);
        return 1;
    }
    qputenv("DISPLAY", session.display().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("QT_SCALE_FACTOR");
    QApplication app(argc, argv);
    g_session = &session;
    g_desktop = bench::realisticScreen(k4K);
    session.paintRoot(g_desktop);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
