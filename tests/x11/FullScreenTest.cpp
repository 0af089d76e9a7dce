#include "Agent.h"
#include "TestImages.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace moxilane::test;

namespace {

const QRegularExpression kName(
    R"(^Screenshot \d{4}-\d\d-\d\d at \d\d\.\d\d\.\d\d\.\d{3}( \(2\))?\.png$)");

}  // namespace

TEST(FullScreen, HotKeyWritesEachMonitorPixelExactAndPutsTheFirstOnTheClipboard) {
    XSession session({3840, 1080},
                     {{"LEFT", {0, 0, 1920, 1080}, true}, {"RIGHT", {1920, 0, 1920, 1080}}});
    const QImage screen = pattern({3840, 1080});
    ASSERT_TRUE(session.isReady() && session.paintRoot(screen));
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());
    // All four shortcuts are held by the agent.
    for (const char* chord : {"ctrl+shift+1", "ctrl+shift+2", "ctrl+shift+3", "ctrl+shift+4"}) {
        EXPECT_TRUE(session.isChordGrabbedElsewhere(chord)) << chord;
    }

    ASSERT_TRUE(session.pressKeys("ctrl+shift+3"));
    ASSERT_TRUE(agent.waitForFiles(2));

    const QStringList files = agent.savedFiles();  // " (2).png" sorts first
    ASSERT_EQ(files.size(), 2) << files.join(", ").toStdString();
    for (const QString& name : files)
        EXPECT_TRUE(kName.match(name).hasMatch()) << name.toStdString();
    EXPECT_EQ(QString(files[1]).replace(".png", " (2).png"), files[0]);
    EXPECT_TRUE(loadOpaque(agent.saved(1)) == screen.copy(0, 0, 1920, 1080));
    EXPECT_TRUE(loadOpaque(agent.saved(0)) == screen.copy(1920, 0, 1920, 1080));
    EXPECT_EQ(QImage(agent.saved(1)).dotsPerMeterX(), 2835);

    const auto png = agent.clipboardPng();
    ASSERT_TRUE(png);
    QFile file(agent.saved(1));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(*png, file.readAll());
}

TEST(FullScreen, WithoutAFolderTheClipboardGetsTheWholeLayout) {
    // A taller monitor on the left, the right one lower down: the layout has a gap.
    XSession session({3840, 1200},
                     {{"LEFT", {0, 0, 1920, 1200}, true}, {"RIGHT", {1920, 120, 1920, 1080}}});
    const QImage screen = pattern({3840, 1200});
    ASSERT_TRUE(session.isReady() && session.paintRoot(screen));
    Agent agent(session, {}, [](QSettings& s) { s.remove("saveFolderBookmark"); });
    ASSERT_TRUE(agent.waitUntilReady());

    ASSERT_TRUE(session.pressKeys("ctrl+shift+3"));
    const auto png = agent.clipboardPng();
    ASSERT_TRUE(png);
    const QImage layout = QImage::fromData(*png, "PNG").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(layout.size(), QSize(3840, 1200));
    EXPECT_TRUE(layout.copy(0, 0, 1920, 1200).convertToFormat(QImage::Format_RGB32) ==
                screen.copy(0, 0, 1920, 1200));
    EXPECT_TRUE(layout.copy(1920, 120, 1920, 1080).convertToFormat(QImage::Format_RGB32) ==
                screen.copy(1920, 120, 1920, 1080));
    EXPECT_EQ(layout.pixelColor(3000, 60).alpha(), 0);  // above the right monitor
    EXPECT_TRUE(agent.savedFiles().isEmpty());
}

TEST(FullScreen, MonitorAddedWhileRunningIsCaptured) {
    XSession session({3840, 1080}, {{"LEFT", {0, 0, 1920, 1080}, true}});
    ASSERT_TRUE(session.isReady());
    // xrandr shrinks the screen, then fails to fit the output to it, and says so.
    session.run("xrandr", {"--fb", "1920x1080"});
    ASSERT_TRUE(session.run("xdpyinfo", {})->contains("1920x1080 pixels"));
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());
    // The screen grows and a monitor appears beyond the size the agent started with.
    ASSERT_TRUE(session.run("xrandr", {"--fb", "3840x1080"}));
    ASSERT_TRUE(session.setMonitor({"RIGHT", {1920, 0, 1920, 1080}}));
    const QImage screen = pattern({3840, 1080});
    ASSERT_TRUE(session.paintRoot(screen));

    ASSERT_TRUE(session.pressKeys("ctrl+shift+3"));
    ASSERT_TRUE(agent.waitForFiles(2));
    EXPECT_TRUE(loadOpaque(agent.saved()) == screen.copy(1920, 0, 1920, 1080));
}

// Another program holds Ctrl+Shift+2, and the layout's key 3 prints a section sign with the
// digit 3 elsewhere: the shortcut follows the key position and the other keys still work.
// The server has no shared memory: the screen is read plainly.
// One server for three faults: no MIT-SHM, a shortcut held elsewhere, a layout whose key 3
// prints something else.
TEST(FullScreen, WithoutSharedMemoryAHeldKeyIsNamedAndTheOthersFollowTheKeyPosition) {
    XSession session({800, 600}, {}, true, {"-extension", "MIT-SHM"});
    ASSERT_TRUE(session.isReady());
    ASSERT_EQ(session.grabChord("ctrl+shift+2"), XSession::GrabResult::Grabbed);
    ASSERT_TRUE(session.run(
        "xmodmap", {"-e", "keycode 12 = section degree", "-e", "keycode 96 = 3 numbersign"}));
    ASSERT_TRUE(session.paintRoot(pattern({800, 600})));
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());
    EXPECT_TRUE(session.isChordGrabbedElsewhere("ctrl+shift+4"));
    EXPECT_TRUE(agent.standardError().contains(
        "moxilane: Ctrl+Shift+2 is held by another program; bind `moxilane window` instead\n"))
        << agent.standardError().toStdString();

    ASSERT_TRUE(session.pressKeys("ctrl+shift+#12"));
    ASSERT_TRUE(agent.waitForFiles(1));
    EXPECT_TRUE(loadOpaque(agent.saved()) == pattern({800, 600}));
}
