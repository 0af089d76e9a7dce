#include "Agent.h"
#include "TestImages.h"

#include <QSettings>

// xkb.h names a member "explicit".
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <gtest/gtest.h>

using namespace moxilane::test;

namespace {

QImage load(const QString& path) {
    return QImage(path).convertToFormat(QImage::Format_ARGB32);
}

// Counts the bells the server rings (XKB BellNotify) on a connection of its own.
class BellWatch {
public:
    explicit BellWatch(const QString& display)
        : m_connection(xcb_connect(display.toLatin1().constData(), nullptr)) {
        free(xcb_xkb_use_extension_reply(m_connection, xcb_xkb_use_extension(m_connection, 1, 0),
                                         nullptr));
        xcb_xkb_select_events(m_connection, XCB_XKB_ID_USE_CORE_KBD, XCB_XKB_EVENT_TYPE_BELL_NOTIFY,
                              0, XCB_XKB_EVENT_TYPE_BELL_NOTIFY, 0, 0, nullptr);
        xcb_flush(m_connection);
    }
    ~BellWatch() { xcb_disconnect(m_connection); }
    int bells() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            ++m_bells;  // only bells were asked for
            free(event);
        }
        return m_bells;
    }

private:
    xcb_connection_t* m_connection;
    int m_bells = 0;
};

}  // namespace

TEST(WindowCapture, CoveredWindowComesOutWholeWithTheShadowMarginsAndWithout) {
    XSession session({1280, 800});
    ASSERT_TRUE(session.isReady() && session.paintRoot(pattern({1280, 800}, 7)));
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());
    const QImage behind = pattern({400, 300}, 1);
    const xcb_window_t window = session.showWindow(behind, {100, 100}, "Behind");
    ASSERT_NE(window, 0u);
    // The front window covers the right half of the one behind.
    const xcb_window_t front = session.showWindow(pattern({400, 300}, 2), {300, 150}, "Front");
    ASSERT_NE(front, 0u);
    const auto [left, right, top, bottom] = session.frameExtents(window);
    const QSize frame(400 + left + right, 300 + top + bottom);
    const QPoint offBehind(650, 420);  // on the front window until it goes
    std::optional<QByteArray> pickerShowed;

    for (const bool shadow : {true, false}) {
        SCOPED_TRACE(shadow ? "with shadow" : "without");
        QSettings(session.home() + "/config/Moxilane/Moxilane.conf", QSettings::IniFormat)
            .setValue("windowShadow", shadow);
        const int before = agent.savedFiles().size();
        ASSERT_TRUE(session.openOverlays("ctrl+shift+2", {150, 150}, 1));
        // The picker of a pick in a row shows the screen of its own moment.
        const QByteArray shown = session.pixelsAround(offBehind);
        if (pickerShowed) {
            EXPECT_NE(shown, *pickerShowed);
        }
        pickerShowed = shown;
        session.click({150, 150});
        ASSERT_TRUE(agent.waitForFiles(before + 1));
        const QImage image = load(agent.saved(-1));
        const int margin = shadow ? 40 : 0;
        EXPECT_EQ(image.size(), frame + QSize(2 * margin, 2 * margin));
        // The client's own pixels, the covered half included.
        EXPECT_TRUE(image.copy(margin + left, margin + top, 400, 300) ==
                    behind.convertToFormat(QImage::Format_ARGB32));
        if (shadow) {
            EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
            EXPECT_GT(qAlpha(image.pixel(image.width() / 2, image.height() - 35)),
                      qAlpha(image.pixel(image.width() / 2, 35)));
        }
        ASSERT_TRUE(session.overlaysGone());
        if (shadow) {  // the next pick's screen differs
            const QByteArray screenBefore = session.pixelsAround(offBehind);
            xcb_unmap_window(session.connection(), front);
            xcb_flush(session.connection());
            ASSERT_TRUE(waitUntil([&] { return session.pixelsAround(offBehind) != screenBefore; }));
        }
    }
}

TEST(WindowCapture, OnAMonitorLeftOfThePrimaryAtScaleTwo) {
    XSession session({1600, 600},
                     {{"PRIMARY", {800, 0, 800, 600}, true}, {"LEFT", {0, 0, 800, 600}}});
    ASSERT_TRUE(session.isReady() && session.paintRoot(pattern({1600, 600}, 4)));
    Agent agent(session, Agent::scaleTwo());
    ASSERT_TRUE(agent.waitUntilReady());
    const QImage picture = pattern({300, 200}, 5);
    const xcb_window_t window = session.showWindow(picture, {100, 100}, "Left");
    ASSERT_NE(window, 0u);
    const auto [left, right, top, bottom] = session.frameExtents(window);

    ASSERT_TRUE(session.openOverlays("ctrl+shift+2", {200, 200}, 2));
    session.click({200, 200});
    ASSERT_TRUE(agent.waitForFiles(1));
    const QImage image = load(agent.saved());
    // 40-point margins are 80 pixels at scale 2; the window keeps its device pixels.
    EXPECT_EQ(image.size(), QSize(300 + left + right + 160, 200 + top + bottom + 160));
    EXPECT_TRUE(image.copy(80 + left, 80 + top, 300, 200) ==
                picture.convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(QImage(agent.saved()).dotsPerMeterX(), 5669);
}

// A server without Composite (some VNC and remote servers): the full screen comes as
// always, a window comes as far as it is visible, and one line says why.
TEST(WindowCapture, WithoutCompositeScreenAndVisibleWindowAreCaptured) {
    XSession session({1024, 768}, {}, true, {"-extension", "Composite"});
    ASSERT_TRUE(session.isReady() && session.paintRoot(pattern({1024, 768}, 6)));
    const QImage picture = pattern({300, 200}, 8);
    const xcb_window_t window = session.showWindow(picture, {100, 100}, "Alone");
    ASSERT_NE(window, 0u);
    QSettings(session.home() + "/config/Moxilane/Moxilane.conf", QSettings::IniFormat)
        .setValue("windowShadow", false);
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());

    ASSERT_TRUE(session.pressKeys("ctrl+shift+3"));
    ASSERT_TRUE(agent.waitForFiles(1));
    const QImage screen = load(agent.saved(-1));
    EXPECT_EQ(screen.size(), QSize(1024, 768));
    EXPECT_TRUE(screen.copy(0, 0, 90, 90) ==
                pattern({1024, 768}, 6).copy(0, 0, 90, 90).convertToFormat(QImage::Format_ARGB32));

    const auto [left, right, top, bottom] = session.frameExtents(window);
    ASSERT_TRUE(session.openOverlays("ctrl+shift+2", {200, 200}, 1));
    session.click({200, 200});
    ASSERT_TRUE(agent.waitForFiles(2));
    const QImage image = load(agent.saved(-1));
    EXPECT_EQ(image.size(), QSize(300 + left + right, 200 + top + bottom));
    EXPECT_TRUE(image.copy(left, top, 300, 200) == picture.convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(agent.standardError().count("Composite"), 1) << agent.standardError().toStdString();
}

// A desktop click beeps and Esc cancels; a window closed between the pick and the capture
// gives the alert and no file. After each, the next key works.
TEST(WindowCapture, DesktopClickBeepsEscCancelsAndAWindowClosedBeforeTheCaptureGivesTheAlert) {
    XSession session({1024, 768});
    ASSERT_TRUE(session.isReady() && session.paintRoot(pattern({1024, 768}, 3)));
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());
    const xcb_window_t window = session.showWindow(pattern({300, 200}, 1), {50, 50}, "Some window");
    ASSERT_NE(window, 0u);
    session.run("xdotool", {"windowactivate", "--sync", QString::number(window)});
    BellWatch bell(session.display());
    auto activeWindow = [&] { return session.run("xprop", {"-root", "_NET_ACTIVE_WINDOW"}); };
    const auto activeBefore = activeWindow();
    ASSERT_TRUE(activeBefore && activeBefore->contains(QByteArray::number(window, 16)));

    auto openPicker = [&] { return session.openOverlays("ctrl+shift+2", {800, 600}, 1, true); };
    ASSERT_TRUE(openPicker());
    session.click({800, 600});  // the desktop
    EXPECT_TRUE(waitUntil([&] { return bell.bells() == 1; }));
    EXPECT_TRUE(session.overlaysGone());

    ASSERT_TRUE(openPicker());
    ASSERT_TRUE(session.pressKeys("Escape"));
    EXPECT_TRUE(session.overlaysGone());
    EXPECT_EQ(bell.bells(), 1);
    EXPECT_EQ(activeWindow(), activeBefore);  // the window active before has it again

    ASSERT_TRUE(session.openOverlays("ctrl+shift+2", {150, 150}, 1));
    session.click({150, 150});
    // The capture follows the pick after a short pause; the window goes within it.
    xcb_destroy_window(session.connection(), window);
    xcb_flush(session.connection());
    auto alert = [&] { return session.findWindow("^Moxilane$"); };
    ASSERT_TRUE(waitUntil([&] { return !alert().isEmpty(); }));
    EXPECT_TRUE(agent.savedFiles().isEmpty());
    session.run("xdotool", {"windowactivate", "--sync", alert()});
    session.run("xdotool", {"key", "Return"});
    ASSERT_TRUE(waitUntil([&] { return alert().isEmpty(); }));

    ASSERT_TRUE(session.pressKeys("ctrl+shift+3"));
    ASSERT_TRUE(agent.waitForFiles(1));
    EXPECT_EQ(load(agent.saved()).size(), QSize(1024, 768));
}
