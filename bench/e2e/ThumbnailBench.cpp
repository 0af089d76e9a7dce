// The thumbnail and the editor as the user meets them, with the real program on a private
// Xvfb showing a realistic 3840×2160 desktop:
// - from the capture's file appearing in the save folder (inotify) to the thumbnail's first
//   paint (XDamage on the new window);
// - from the XTest click on the thumbnail to the editor window's first paint; the argument is
//   the pause between the thumbnail's paint and the click: 0 as fast as a program clicks,
//   600 ms as a person sees the thumbnail and moves the pointer to it. In a row, later clicks
//   find the last editor's window kept; the first after start, in a fresh agent each, does not.
//   build/bench/e2e/thumbnail_bench

#include "Agent.h"
#include "common/RealisticScreen.h"
#include "common/Spread.h"
#include "e2e/PaintWatch.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>
#include <xcb/damage.h>
#include <xcb/xtest.h>

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <memory>
#include <thread>

using namespace moxilane::test;
using moxilane::bench::PaintWatch;
using moxilane::bench::waitForFile;
using Clock = std::chrono::steady_clock;

namespace {

const QSize k4K(3840, 2160);

struct Rig {
    std::unique_ptr<XSession> session;
    std::unique_ptr<Agent> agent;
    std::unique_ptr<PaintWatch> watch;
    int inotifyFd = -1;

    bool start() {
        session = std::make_unique<XSession>(
            k4K, std::vector<XSession::Monitor>{{"MAIN", QRect(QPoint(0, 0), k4K), true}});
        if (!session->isReady() || !session->paintRoot(moxilane::bench::realisticScreen(k4K)))
            return false;
        agent = std::make_unique<Agent>(*session);
        if (!agent->waitUntilReady()) return false;
        watch = std::make_unique<PaintWatch>(session->display());
        inotifyFd = inotify_init1(IN_CLOEXEC);
        inotify_add_watch(inotifyFd, agent->saveFolder.toLocal8Bit().constData(),
                          IN_MOVED_TO | IN_CREATE);
        return true;
    }
    ~Rig() {
        if (inotifyFd >= 0) close(inotifyFd);
    }
    // A full-screen capture; the thumbnail's window and the time from file to paint.
    std::optional<std::pair<xcb_window_t, double>> capture() {
        session->pressKeys("ctrl+shift+3");
        if (!waitForFile(inotifyFd, std::chrono::seconds(10))) return std::nullopt;
        const auto written = Clock::now();
        const xcb_window_t thumbnail =
            watch->waitForPaint(QStringLiteral("Moxilane Thumbnail"), std::chrono::seconds(5));
        if (!thumbnail) return std::nullopt;
        return std::pair{thumbnail, std::chrono::duration<double>(Clock::now() - written).count()};
    }
    void cleanUp() {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (const QString& name : agent->savedFiles())
            QFile::remove(agent->saveFolder + "/" + name);
    }
};

void BM_FileWrittenToThumbnailPainted(benchmark::State& state) {
    Rig rig;
    if (!rig.start()) return state.SkipWithError("no X server or agent");
    for (auto _ : state) {
        const auto shown = rig.capture();
        if (!shown) return state.SkipWithError("no thumbnail");
        state.SetIterationTime(shown->second);
        rig.cleanUp();
    }
}
BENCHMARK(BM_FileWrittenToThumbnailPainted)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// A capture, a click on its thumbnail after pauseMs, and the time to the editor's first
// paint; the editor is closed again, as a user works. Nothing on failure.
std::optional<double> clickToEditor(Rig& rig, int pauseMs) {
    const auto shown = rig.capture();
    if (!shown) return std::nullopt;
    const QRect frame = rig.watch->geometry(shown->first);
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    const auto start = Clock::now();
    rig.watch->click(frame.center());
    const xcb_window_t editor =
        rig.watch->waitForPaint(QStringLiteral("Markup"), std::chrono::seconds(10), 2);
    if (!editor) return std::nullopt;
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    rig.watch->close(editor);
    rig.cleanUp();
    return took;
}

void BM_ThumbnailClickToEditorPainted(benchmark::State& state) {
    Rig rig;
    if (!rig.start()) return state.SkipWithError("no X server or agent");
    moxilane::bench::Spread spread;
    for (auto _ : state) {
        const auto took = clickToEditor(rig, int(state.range(0)));
        if (!took) return state.SkipWithError("no thumbnail or no editor");
        state.SetIterationTime(*took);
        spread.add(*took);
    }
    spread.report(state);
}
BENCHMARK(BM_ThumbnailClickToEditorPainted)
    ->Arg(0)
    ->Arg(600)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(9);

void BM_FirstEditorAfterStart(benchmark::State& state) {
    moxilane::bench::Spread spread;
    for (auto _ : state) {
        Rig rig;
        if (!rig.start()) return state.SkipWithError("no X server or agent");
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const auto took = clickToEditor(rig, int(state.range(0)));
        if (!took) return state.SkipWithError("no thumbnail or no editor");
        state.SetIterationTime(*took);
        spread.add(*took);
    }
    spread.report(state);
}
BENCHMARK(BM_FirstEditorAfterStart)
    ->Arg(0)
    ->Arg(600)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(7);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
