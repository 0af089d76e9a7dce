// The thumbnail and the editor as the user meets them, with the real program on a private
// Xvfb showing a realistic 3840×2160 desktop:
// - from the capture's file appearing in the save folder (inotify) to the thumbnail's first
//   paint (XDamage on the new window);
// - from the XTest click on the thumbnail to the editor window's first paint.
//   build/bench/e2e/thumbnail_bench

#include "Agent.h"
#include "common/RealisticScreen.h"

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
using Clock = std::chrono::steady_clock;

namespace {

const QSize k4K(3840, 2160);

// Reports the first paint of a top-level window by its title, on a connection of its own.
class PaintWatch {
public:
    explicit PaintWatch(const QString& display)
        : m_c(xcb_connect(display.toLocal8Bit().constData(), nullptr)) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_c, m_root, XCB_CW_EVENT_MASK, &mask);
        auto* ext = xcb_get_extension_data(m_c, &xcb_damage_id);
        m_damageEvent = ext->first_event + XCB_DAMAGE_NOTIFY;
        free(xcb_damage_query_version_reply(m_c, xcb_damage_query_version(m_c, 1, 1), nullptr));
        m_nameAtom = atom("_NET_WM_NAME");
        xcb_flush(m_c);
    }
    ~PaintWatch() { xcb_disconnect(m_c); }

    // Waits for the first damage of a window whose title contains title; its id, or 0.
    xcb_window_t waitForPaint(const QString& title, std::chrono::milliseconds deadline) {
        const auto end = Clock::now() + deadline;
        while (Clock::now() < end) {
            xcb_generic_event_t* event = xcb_poll_for_event(m_c);
            if (!event) {
                pollfd fd{xcb_get_file_descriptor(m_c), POLLIN, 0};
                poll(&fd, 1, 5);
                continue;
            }
            std::unique_ptr<xcb_generic_event_t, decltype(&free)> owned(event, &free);
            const int type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
                const xcb_damage_damage_t damage = xcb_generate_id(m_c);
                xcb_damage_create(m_c, damage, created->window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                xcb_flush(m_c);
            } else if (type == m_damageEvent) {
                const auto* damaged = reinterpret_cast<xcb_damage_notify_event_t*>(event);
                if (name(damaged->drawable).contains(title)) return damaged->drawable;
            }
        }
        return 0;
    }
    QRect geometry(xcb_window_t window) {
        auto* reply = xcb_get_geometry_reply(m_c, xcb_get_geometry(m_c, window), nullptr);
        if (!reply) return {};
        const QRect rect(reply->x, reply->y, reply->width, reply->height);
        free(reply);
        return rect;
    }
    void click(QPoint at) {
        xcb_test_fake_input(m_c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, at.x(), at.y(), 0);
        xcb_test_fake_input(m_c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(m_c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_c);
    }

private:
    xcb_atom_t atom(const char* name) {
        auto* reply =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, strlen(name), name), nullptr);
        const xcb_atom_t result = reply ? reply->atom : XCB_NONE;
        free(reply);
        return result;
    }
    QString name(xcb_window_t window) {
        auto& cached = m_names[window];
        if (!cached.isEmpty()) return cached;
        auto* reply = xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, window, m_nameAtom, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
            nullptr);
        if (reply) {
            cached = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                       xcb_get_property_value_length(reply));
            free(reply);
        }
        return cached;
    }

    xcb_connection_t* m_c;
    xcb_window_t m_root = 0;
    int m_damageEvent = 0;
    xcb_atom_t m_nameAtom = 0;
    std::map<xcb_window_t, QString> m_names;
};

// Waits for a screenshot to arrive in the folder under its final name (a complete file is
// linked in, or renamed into place).
bool waitForFile(int inotifyFd, std::chrono::milliseconds deadline) {
    alignas(inotify_event) char buffer[8192];
    pollfd fd{inotifyFd, POLLIN, 0};
    if (poll(&fd, 1, int(deadline.count())) <= 0) return false;
    return read(inotifyFd, buffer, sizeof buffer) > 0;
}

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

void BM_ThumbnailClickToEditorPainted(benchmark::State& state) {
    Rig rig;
    if (!rig.start()) return state.SkipWithError("no X server or agent");
    for (auto _ : state) {
        const auto shown = rig.capture();
        if (!shown) return state.SkipWithError("no thumbnail");
        const QRect frame = rig.watch->geometry(shown->first);
        const auto start = Clock::now();
        rig.watch->click(frame.center());
        if (!rig.watch->waitForPaint(QStringLiteral("Markup"), std::chrono::seconds(10)))
            return state.SkipWithError("no editor");
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        rig.cleanUp();
    }
}
BENCHMARK(BM_ThumbnailClickToEditorPainted)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
