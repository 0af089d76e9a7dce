// From the hot key to the PNG on disk, with the real program on a private Xvfb showing a
// realistic 3840×2160 desktop: XTest presses Ctrl+Shift+3 and the clock stops when the
// finished file appears under its own name in the save folder (inotify).
//   build/bench/e2e/capture_bench

#include "Agent.h"
#include "common/RealisticScreen.h"
#include "common/Spread.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <thread>

using namespace moxilane::test;
using Clock = std::chrono::steady_clock;

namespace {

const QSize k4K(3840, 2160);

// Watches the save folder for screenshots that arrive under their final name.
class FolderWatch {
public:
    explicit FolderWatch(const QString& folder) : m_fd(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
        inotify_add_watch(m_fd, folder.toLocal8Bit().constData(), IN_MOVED_TO | IN_CREATE);
    }
    ~FolderWatch() { close(m_fd); }

    bool waitForScreenshot(std::chrono::milliseconds deadline) {
        const auto end = Clock::now() + deadline;
        alignas(inotify_event) char buffer[8192];
        while (Clock::now() < end) {
            pollfd fd{m_fd, POLLIN, 0};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (poll(&fd, 1, int(std::max<long>(left.count(), 0))) <= 0) return false;
            const ssize_t length = read(m_fd, buffer, sizeof buffer);
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                const QString name = QString::fromLocal8Bit(event->name);
                if (event->len > 0 && name.startsWith("Screenshot ") && name.endsWith(".png"))
                    return true;
                at += sizeof(inotify_event) + event->len;
            }
        }
        return false;
    }
    void drain() {
        char buffer[8192];
        while (read(m_fd, buffer, sizeof buffer) > 0) {
        }
    }

private:
    int m_fd;
};

// One capture: the time from the key press to the file, or nothing on a timeout.
std::optional<double> captureOnce(XSession& session, Agent& agent, FolderWatch& watch) {
    watch.drain();
    const auto start = Clock::now();
    session.pressKeys("ctrl+shift+3");
    if (!watch.waitForScreenshot(std::chrono::seconds(10))) return std::nullopt;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    // The agent drops a trigger while it is still delivering: let it finish, then clean up.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (const QString& name : agent.savedFiles())
        QFile::remove(agent.saveFolder + "/" + name);
    return seconds;
}

std::unique_ptr<XSession> desktop4K() {
    auto session = std::make_unique<XSession>(
        k4K, std::vector<XSession::Monitor>{{"MAIN", QRect(QPoint(0, 0), k4K), true}});
    if (!session->isReady() || !session->paintRoot(moxilane::bench::realisticScreen(k4K)))
        return nullptr;
    return session;
}

// The agent has been running and has taken a few captures already: the usual case.
void BM_HotKeyToFileOnDisk(benchmark::State& state) {
    auto session = desktop4K();
    if (!session) return state.SkipWithError("no X server");
    Agent agent(*session);
    if (!agent.waitUntilReady()) return state.SkipWithError("the agent did not start");
    FolderWatch watch(agent.saveFolder);
    for (int i = 0; i < 3; ++i)
        captureOnce(*session, agent, watch);
    moxilane::bench::Spread spread;
    for (auto _ : state) {
        const auto seconds = captureOnce(*session, agent, watch);
        if (!seconds) return state.SkipWithError("no file arrived");
        state.SetIterationTime(*seconds);
        spread.add(*seconds);
    }
    spread.report(state);
}
BENCHMARK(BM_HotKeyToFileOnDisk)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The first capture of a freshly started agent, one second after it became ready.
void BM_FirstCaptureAfterStart(benchmark::State& state) {
    auto session = desktop4K();
    if (!session) return state.SkipWithError("no X server");
    moxilane::bench::Spread spread;
    for (auto _ : state) {
        state.PauseTiming();
        Agent agent(*session);
        if (!agent.waitUntilReady()) return state.SkipWithError("the agent did not start");
        std::this_thread::sleep_for(std::chrono::seconds(1));
        FolderWatch watch(agent.saveFolder);
        state.ResumeTiming();
        const auto seconds = captureOnce(*session, agent, watch);
        if (!seconds) return state.SkipWithError("no file arrived");
        state.SetIterationTime(*seconds);
        spread.add(*seconds);
        agent.process->terminate();
        agent.process->waitForFinished();
    }
    spread.report(state);
}
BENCHMARK(BM_FirstCaptureAfterStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
