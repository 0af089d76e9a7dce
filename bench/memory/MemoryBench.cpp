// Resident memory of the real agent (VmRSS from /proc) on a private Xvfb showing a
// realistic 3840×2160 desktop: after start-up; idle (start-up and one capture, its
// thumbnail gone); then per round the peak while 20 markup editors of 4K captures are
// open, right after they are closed, and a minute later.
//   build/bench/memory/memory_bench [rounds]    (default 2: first after start, then warm)
// With "overlay" instead: after start-up, while the region overlay is open, right after Esc
// closed it, and once the overlay's kept windows have been let go (two minutes later).
//   build/bench/memory/memory_bench overlay

#include "Agent.h"
#include "common/RealisticScreen.h"
#include "e2e/PaintWatch.h"

#include <QFile>
#include <QGuiApplication>

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

using namespace moxilane::test;
using moxilane::bench::PaintWatch;
using moxilane::bench::waitForFile;
using namespace std::chrono_literals;

namespace {

const QSize k4K(3840, 2160);
constexpr int kEditors = 20;

// One figure of /proc/PID/status in MB ("VmRSS", "RssAnon", "RssShmem", …), or -1.
double statusMB(qint64 pid, const QByteArray& key) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').front().toDouble() / 1024;
    }
    return -1;
}

struct Rig {
    XSession session{k4K, {{"MAIN", QRect(QPoint(0, 0), k4K), true}}};
    std::unique_ptr<Agent> agent;
    std::unique_ptr<PaintWatch> watch;
    int inotifyFd = inotify_init1(IN_CLOEXEC);

    bool start() {
        if (!session.isReady() || !session.paintRoot(moxilane::bench::realisticScreen(k4K)))
            return false;
        agent = std::make_unique<Agent>(session);
        if (!agent->waitUntilReady()) return false;
        watch = std::make_unique<PaintWatch>(session.display());
        inotify_add_watch(inotifyFd, agent->saveFolder.toLocal8Bit().constData(),
                          IN_MOVED_TO | IN_CREATE);
        return true;
    }
    ~Rig() { close(inotifyFd); }
    double resident() const { return statusMB(agent->process->processId(), "VmRSS"); }
    // Where the resident memory is: heap and other private memory, mapped files, shared
    // memory (X11 MIT-SHM images).
    void printParts(const char* when) const {
        const qint64 pid = agent->process->processId();
        std::printf("  %s: anonymous %.1f MB, files %.1f MB, shared memory %.1f MB\n", when,
                    statusMB(pid, "RssAnon"), statusMB(pid, "RssFile"), statusMB(pid, "RssShmem"));
    }
    // Resident memory once the agent's heap was trimmed from outside (gdb): what is left is
    // memory in use, not freed memory the allocator kept. -1 without gdb.
    double forcedTrim() {
        QProcess gdb;
        gdb.start("gdb", {"-p", QString::number(agent->process->processId()), "-batch", "-ex",
                          "call (int)malloc_trim(0)"});
        if (!gdb.waitForFinished(60000) || gdb.exitCode() != 0) return -1;
        return resident();
    }

    // A full-screen capture and its thumbnail's window, or 0.
    xcb_window_t capture() {
        watch->drain();  // the last capture's thumbnail paints are still queued
        session.pressKeys("ctrl+shift+3");
        if (!waitForFile(inotifyFd, 20s)) return 0;
        return watch->waitForPaint(QStringLiteral("Moxilane Thumbnail"), 20s);
    }
    // A capture opened in the editor by a click on its thumbnail; the editor's window, or 0.
    // The editors already open repaint too (the focus moves): only a new one counts.
    xcb_window_t openEditor(const std::vector<xcb_window_t>& open) {
        const xcb_window_t thumbnail = capture();
        if (!thumbnail) return 0;
        watch->click(watch->geometry(thumbnail).center());
        const auto end = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < end) {
            const xcb_window_t editor = watch->waitForPaint(QStringLiteral("Markup"), 1s);
            if (editor && std::ranges::find(open, editor) == open.end()) return editor;
        }
        return 0;
    }
    void removeFiles() {
        for (const QString& name : agent->savedFiles())
            QFile::remove(agent->saveFolder + "/" + name);
    }
};

// The overlay's memory: opened by Ctrl+Shift+1 three times in a row, closed by Esc.
int overlayFigures(Rig& rig) {
    std::printf("after start-up                 %7.1f MB\n", rig.resident());
    rig.printParts("after start-up");
    double open = 0;
    for (int i = 0; i < 3; ++i) {
        rig.session.pressKeys("ctrl+shift+1");
        if (!waitUntil([&] { return rig.session.shownOverlays() > 0; }, 10s))
            return std::fputs("no overlay\n", stderr), 1;
        std::this_thread::sleep_for(500ms);  // painted and idle
        open = std::max(open, rig.resident());
        rig.session.pressKeys("Escape");
        if (!rig.session.overlaysGone()) return std::fputs("the overlay stayed\n", stderr), 1;
        std::this_thread::sleep_for(500ms);
    }
    std::printf("overlay open (largest of 3)    %7.1f MB\n", open);
    std::this_thread::sleep_for(2s);
    std::printf("2 s after Esc                  %7.1f MB\n", rig.resident());
    std::this_thread::sleep_for(125s);  // the overlay keeps its windows for two minutes
    std::printf("after the overlay's release    %7.1f MB\n", rig.resident());
    rig.printParts("after the release");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 2;
    Rig rig;
    if (!rig.start()) return std::fputs("no X server or agent\n", stderr), 1;
    std::this_thread::sleep_for(2s);
    if (argc > 1 && QByteArray(argv[1]) == "overlay") return overlayFigures(rig);
    std::printf("after start-up                 %7.1f MB\n", rig.resident());
    if (!rig.capture()) return std::fputs("no thumbnail\n", stderr), 1;
    std::this_thread::sleep_for(8s);  // the thumbnail shows for 6 s, then fades
    const double idle = rig.resident();
    std::printf("idle (one capture, no thumbnail) %5.1f MB\n", idle);
    rig.printParts("idle");

    for (int round = 1; round <= rounds; ++round) {
        std::vector<xcb_window_t> editors;
        double peak = 0;
        for (int i = 0; i < kEditors; ++i) {
            const xcb_window_t editor = rig.openEditor(editors);
            if (!editor) return std::fprintf(stderr, "editor %d did not open\n", i + 1), 1;
            editors.push_back(editor);
            peak = std::max(peak, rig.resident());
        }
        rig.removeFiles();
        std::this_thread::sleep_for(8s);  // the last thumbnail goes too
        peak = std::max(peak, rig.resident());
        for (xcb_window_t editor : editors)
            rig.watch->close(editor);
        if (!waitUntil([&] { return rig.session.findWindow(QStringLiteral("Markup")).isEmpty(); },
                       30s))
            return std::fputs("the editors did not close\n", stderr), 1;
        std::this_thread::sleep_for(2s);
        const double closed = rig.resident();
        std::this_thread::sleep_for(60s);
        const double minute = rig.resident();
        // xdotool fails when it finds nothing.
        const auto found = rig.session.run("xdotool", {"search", "--name", "Markup"});
        const QByteArray left = found ? found->trimmed() : QByteArray();
        std::printf(
            "round %d: peak with %d editors %7.1f MB, closed %7.1f MB, a minute later "
            "%7.1f MB (%+.1f MB over idle); editor windows left: %lld; "
            "after a forced trim %7.1f MB\n",
            round, kEditors, peak, closed, minute, minute - idle,
            left.isEmpty() ? 0LL : static_cast<long long>(left.count('\n') + 1), rig.forcedTrim());
        rig.printParts("after the trim");
        std::fflush(stdout);
    }
    return 0;
}
