#include "Agent.h"
#include "TestImages.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace moxilane::test;

namespace {

// The first visible window with that exact title, or nothing.
QString findWindow(XSession& session, const QString& title) {
    return session.findWindow("^" + QRegularExpression::escape(title) + "$");
}

QRect windowGeometry(XSession& session, const QString& window) {
    QMap<QByteArray, int> v;
    const auto out = session.run("xdotool", {"getwindowgeometry", "--shell", window});
    for (const QByteArray& line : out.value_or("").split('\n'))
        if (const auto parts = line.split('='); parts.size() == 2) v[parts[0]] = parts[1].toInt();
    return QRect(v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]);
}

// The work area as the window manager publishes it: x, y, width, height.
QRect workArea(XSession& session) {
    const auto out = session.run("xprop", {"-root", "_NET_WORKAREA"});
    if (!out) return {};
    const auto v = out->mid(out->indexOf('=') + 1).split(',');
    return v.size() < 4 ? QRect()
                        : QRect(v[0].trimmed().toInt(), v[1].trimmed().toInt(),
                                v[2].trimmed().toInt(), v[3].trimmed().toInt());
}

// Moves the pointer to `at` in window, then does what `then` says.
bool moveIn(XSession& session, const QString& window, QPoint at, const QStringList& then) {
    return session
        .run("xdotool", QStringList{"mousemove", "--window", window, QString::number(at.x()),
                                    QString::number(at.y())} +
                            then)
        .has_value();
}

bool click(XSession& session, const QString& window, QPoint at) {
    return moveIn(session, window, at, {"click", "1"});
}

bool drag(XSession& session, const QString& window, QPoint from, QPoint to) {
    auto move = [&](QPoint p) { return moveIn(session, window, p, {"sleep", "0.05"}); };
    if (!move(from) || !session.run("xdotool", {"mousedown", "1", "sleep", "0.05"})) return false;
    for (int step = 1; step <= 4; ++step)
        if (!move(from + (to - from) * step / 4)) return false;
    return session.run("xdotool", {"mouseup", "1"}).has_value();
}

const QString kThumbnail = QStringLiteral("Moxilane Thumbnail");
const QString kEditor = QStringLiteral("Moxilane — Markup");

}  // namespace

TEST(Markup, ThumbnailOpensTheEditorWhoseSaveAndDiscardReachTheFolderAndClipboard) {
    XSession session({1280, 800}, {{"MAIN", {0, 0, 1280, 800}, true}});
    const QImage screen = pattern({1280, 800});
    ASSERT_TRUE(session.isReady() && session.paintRoot(screen));
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());
    // Some other program has the focus, as when the user works elsewhere.
    session.start("xmessage", {"-geometry", "+40+40", "working"}, session.environment());
    ASSERT_TRUE(waitUntil([&] { return !findWindow(session, "xmessage").isEmpty(); }));
    const QString other = findWindow(session, "xmessage");
    ASSERT_TRUE(session.run("xdotool", {"windowfocus", "--sync", other}));
    const auto focusBefore = session.run("xdotool", {"getwindowfocus"});

    ASSERT_TRUE(session.pressKeys("ctrl+shift+3"));
    ASSERT_TRUE(agent.waitForFiles(1));
    const QString captured = agent.saved();
    const QImage before = loadOpaque(captured);  // the screen, with the other program's window
    ASSERT_TRUE(waitUntil([&] { return !findWindow(session, kThumbnail).isEmpty(); }));
    const QString thumbnail = findWindow(session, kThumbnail);

    // 1280 × 800 fits 260 × 162.5, 16 in from the work area's bottom-right corner.
    const QRect area = workArea(session);
    const QRect placed = windowGeometry(session, thumbnail);
    EXPECT_EQ(placed.width(), 260);
    EXPECT_NEAR(placed.height(), 163, 1);
    EXPECT_EQ(placed.right() + 1, area.right() + 1 - 16);
    EXPECT_NEAR(placed.bottom() + 1, area.bottom() + 1 - 16, 1);
    EXPECT_EQ(session.run("xdotool", {"getwindowfocus"}), focusBefore);

    ASSERT_TRUE(click(session, thumbnail, {130, 80}));
    ASSERT_TRUE(waitUntil([&] { return !findWindow(session, kEditor).isEmpty(); }));
    EXPECT_TRUE(waitUntil([&] { return findWindow(session, kThumbnail).isEmpty(); }));
    const QString editor = findWindow(session, kEditor);

    // The rectangle tool (third of the bar's 32-point buttons, 12 in), then a drag on the
    // canvas, which shows the capture at 0.84 under the 48-point bar.
    ASSERT_TRUE(click(session, editor, {12 + 2 * 32 + 16, 24}));
    ASSERT_TRUE(drag(session, editor, {300, 48 + 200}, {500, 48 + 350}));
    const int width = windowGeometry(session, editor).width();
    ASSERT_TRUE(click(session, editor, {width - 12 - 64 - 10 - 32, 24}));  // Save
    ASSERT_TRUE(agent.waitForFiles(2));

    const QStringList files = agent.savedFiles();
    ASSERT_EQ(files.size(), 2);
    const QString edited =
        agent.saveFolder + "/" + (files[0] == QFileInfo(captured).fileName() ? files[1] : files[0]);
    EXPECT_TRUE(loadOpaque(captured) == before);  // the capture is untouched
    const QImage after = loadOpaque(edited);
    ASSERT_EQ(after.size(), before.size());
    // The drag covered image pixels (357, 238) to (595, 417); allow the stroke and its edge.
    const QRect near = QRect(QPoint(357, 238), QPoint(595, 417)).adjusted(-20, -20, 20, 20);
    int changed = 0, changedOutside = 0;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            if (after.pixel(x, y) == before.pixel(x, y)) continue;
            ++changed;
            if (!near.contains(x, y)) ++changedOutside;
        }
    }
    EXPECT_GT(changed, 500);
    EXPECT_EQ(changedOutside, 0);

    // Discard (the sixth item, after the tools, swatches, S/M/L, Undo and Redo), confirmed.
    ASSERT_TRUE(
        click(session, editor, {12 + 256 + 10 + 150 + 10 + 96 + 10 + 32 + 10 + 32 + 10 + 16, 24}));
    ASSERT_TRUE(
        waitUntil([&] { return !findWindow(session, "Discard this screenshot?").isEmpty(); }));
    ASSERT_TRUE(session.run("xdotool", {"key", "Return"}));
    ASSERT_TRUE(waitUntil([&] { return !QFile::exists(captured); }));
    EXPECT_TRUE(QFile::exists(edited));  // a saved edit is not the capture's to remove
    EXPECT_TRUE(waitUntil([&] { return findWindow(session, kEditor).isEmpty(); }));
    const auto targets = session.run("xclip", {"-selection", "clipboard", "-t", "TARGETS", "-o"});
    EXPECT_FALSE(targets && targets->contains("image/png"));
}
