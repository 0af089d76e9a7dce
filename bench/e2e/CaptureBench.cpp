// From the hot key to the PNG on disk, with the real program on a private Xvfb showing a
// realistic 3840×2160 desktop: XTest presses Ctrl+Shift+3 and the clock stops when the
// file is renamed into the save folder (inotify).

#include "Agent.h"
#include "common/RealisticScreen.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <sys/inotify.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <thread>

using namespace moxilane::test;

namespace {

// Waits until a finished screenshot appears under its final name (a rename or a link
// of the written temporary); false after the deadline.
bool waitForArrival(int inotify, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    alignas(inotify_event) char buffer[8192];
    while (std::chrono::steady_clock::now() < end) {
        pollfd fd{inotify, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (poll(&fd, 1, int(std::max<long>(left.count(), 0))) <= 0) return false;
        const ssize_t length = read(inotify, buffer, sizeof buffer);
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const QString name = QString::fromLocal8Bit(event->name);
            if (event->len > 0 && name.startsWith("Screenshot ") && name.endsWith(".png")) return true;
            at += sizeof(inotify_event) + event->len;
        }
    }
    return false;
}

void drain(int inotify) {
    char buffer[8192];
    while (read(inotify, buffer, sizeof buffer) > 0) {
    }
}

void BM_HotKeyToFileOnDisk(benchmark::State& state) {
    const QSize size(int(state.range(0)), int(state.range(1)));
    XSession session(size, {{"MAIN", QRect(QPoint(0, 0), size), true}});
    if (!session.isReady() || !session.paintRoot(moxilane::bench::realisticScreen(size))) {
        state.SkipWithError("no X server");
        return;
    }
    Agent agent(session);
    if (!agent.waitUntilReady()) {
        state.SkipWithError("the agent did not start");
        return;
    }
    const int inotify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    inotify_add_watch(inotify, agent.saveFolder.toLocal8Bit().constData(), IN_MOVED_TO | IN_CREATE);
    qint64 bytes = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        session.pressKeys("ctrl+shift+3");
        if (!waitForArrival(inotify, std::chrono::seconds(10))) {
            state.SkipWithError("no file arrived");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.PauseTiming();
        // Between captures: let the agent finish the delivery, then empty the folder.
        waitUntil([&] { return !agent.savedFiles().isEmpty(); });
        for (const QString& name : agent.savedFiles()) {
            bytes = QFileInfo(agent.saveFolder + "/" + name).size();
            QFile::remove(agent.saveFolder + "/" + name);
        }
        // The agent drops a trigger while its last capture is still being delivered.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        drain(inotify);
        state.ResumeTiming();
    }
    close(inotify);
    state.counters["file_MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_HotKeyToFileOnDisk)->Args({3840, 2160})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
