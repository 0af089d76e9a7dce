#include "Agent.h"
#include "TallPage.h"

#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

using namespace moxilane::test;

namespace {

// Our scrollable test window: where its viewport is and how far it has scrolled.
struct ScrollView {
    QString logPath;
    QPoint viewport{-1, -1};
    int offset = 0;

    ScrollView(XSession& session, QRect geometry) : logPath(session.home() + "/view.log") {
        session.start(
            SCROLL_VIEW_BINARY,
            {QString::number(geometry.x()), QString::number(geometry.y()),
             QString::number(geometry.width()), QString::number(geometry.height()), logPath},
            session.environment());
    }
    void read() {
        QFile log(logPath);
        if (!log.open(QIODevice::ReadOnly)) return;
        while (!log.atEnd()) {
            const QList<QByteArray> words = log.readLine().trimmed().split(' ');
            if (words.value(0) == "viewport" && words.size() == 3)
                viewport = QPoint(words[1].toInt(), words[2].toInt());
            if (words.value(0) == "offset" && words.size() == 2) offset = words[1].toInt();
        }
    }
    bool waitShown() {
        return waitUntil([&] {
            read();
            return viewport.x() >= 0;
        });
    }
};

QByteArray focusedWindow(XSession& session) {
    return session.run("xdotool", {"getwindowfocus"}).value_or("none").trimmed();
}

bool panelShown(XSession& session) {
    const auto found =
        session.run("xdotool", {"search", "--onlyvisible", "--name", "^Scrolling Capture$"});
    return found && !found->trimmed().isEmpty();
}

// Selects `from`..`to` for a scrolling capture, scrolls the view `clicks` wheel steps down
// with the pointer at `wheelAt`, and finishes: with a click into the panel at `panelAt` and
// Return, or else with the shortcut again. Returns the saved image.
QImage scrollCapture(XSession& session, Agent& agent, ScrollView& view, QPoint from, QPoint to,
                     QPoint wheelAt, int clicks, std::optional<QPoint> panelAt = {}) {
    const QByteArray focus = focusedWindow(session);
    session.movePointer(from);
    EXPECT_TRUE(session.pressKeys("ctrl+shift+4"));
    EXPECT_TRUE(waitUntil([&] { return session.shownOverlays() == 1; }));
    session.pressButton(from);
    session.movePointer((from + to) / 2);
    session.releaseButton(to);
    EXPECT_TRUE(waitUntil([&] { return panelShown(session); }));
    EXPECT_EQ(focusedWindow(session), focus) << "the panel took the focus";

    session.movePointer(wheelAt);
    for (int i = 0; i < clicks; ++i) {
        const int before = view.offset;
        EXPECT_TRUE(session.run("xdotool", {"click", "5"}));
        EXPECT_TRUE(waitUntil([&] {
            view.read();
            return view.offset > before;
        }));
        QThread::msleep(400);  // past a tick or so
    }
    if (panelAt) {
        session.click(*panelAt);
        EXPECT_TRUE(waitUntil([&] { return focusedWindow(session) != focus; }));
        EXPECT_TRUE(session.run("xdotool", {"key", "Return"}));
    } else {
        EXPECT_TRUE(session.pressKeys("ctrl+shift+4"));
    }
    EXPECT_TRUE(agent.waitForFiles(1));
    EXPECT_TRUE(waitUntil([&] { return !panelShown(session); }));
    const QStringList files = agent.savedFiles();
    if (files.isEmpty()) return {};
    return QImage(agent.saveFolder + "/" + files.first()).convertToFormat(QImage::Format_RGB32);
}

}  // namespace

TEST(ScrollingCapture, StitchesTheScrolledPageRowForRowAndReturnFinishesOnceClickedInto) {
    XSession session({1920, 1080}, {{"MAIN", {0, 0, 1920, 1080}, true}});
    ASSERT_TRUE(session.isReady());
    ScrollView view(session, QRect(100, 100, 600, 700));
    ASSERT_TRUE(view.waitShown());
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());

    const QPoint from = view.viewport + QPoint(50, 50);
    const QPoint to = from + QPoint(400, 500);
    // The panel sits 12 points below the selection, centred on it: click its title line.
    const QPoint panelTitle((from.x() + to.x()) / 2 - 100, to.y() + 20);
    const QImage result = scrollCapture(session, agent, view, from, to,
                                        view.viewport + QPoint(300, 300), 8, panelTitle);
    ASSERT_EQ(view.offset, 8 * 60);
    ASSERT_EQ(result.size(), QSize(400, 500 + view.offset));
    EXPECT_EQ(result, tallPage().copy(50, 50, 400, 500 + view.offset));
}

// Nowhere to put the panel but inside the selection: it must not show in the result.
TEST(ScrollingCapture, PanelInsideAScreenTallSelectionIsLeftOut) {
    XSession session({1920, 1080}, {{"MAIN", {0, 0, 1920, 1080}, true}});
    ASSERT_TRUE(session.isReady());
    ScrollView view(session, QRect(0, 0, 600, 1080));
    ASSERT_TRUE(view.waitShown());
    ASSERT_EQ(view.viewport, QPoint(0, 0));
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());

    const QImage result =
        scrollCapture(session, agent, view, QPoint(100, 0), QPoint(500, 1079), QPoint(300, 300), 6);
    ASSERT_EQ(view.offset, 6 * 60);
    ASSERT_EQ(result.size(), QSize(400, 1079 + view.offset));
    EXPECT_EQ(result, tallPage().copy(100, 0, 400, 1079 + view.offset));
}

TEST(ScrollingCapture, EscInThePanelEndsWithNothingSaved) {
    XSession session({1920, 1080}, {{"MAIN", {0, 0, 1920, 1080}, true}});
    ASSERT_TRUE(session.isReady());
    ScrollView view(session, QRect(100, 100, 600, 700));
    ASSERT_TRUE(view.waitShown());
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());

    const QPoint from(150, 150), to(550, 650);
    session.movePointer(from);
    ASSERT_TRUE(session.pressKeys("ctrl+shift+4"));
    ASSERT_TRUE(waitUntil([&] { return session.shownOverlays() == 1; }));
    session.pressButton(from);
    session.movePointer((from + to) / 2);
    session.releaseButton(to);
    ASSERT_TRUE(waitUntil([&] { return panelShown(session); }));
    const QByteArray focus = focusedWindow(session);
    session.click(QPoint(250, to.y() + 20));
    ASSERT_TRUE(waitUntil([&] { return focusedWindow(session) != focus; }));
    ASSERT_TRUE(session.run("xdotool", {"key", "Escape"}));
    EXPECT_TRUE(waitUntil([&] { return !panelShown(session); }));
    // The flow has ended: the next scrolling trigger opens the overlay again.
    ASSERT_TRUE(session.pressKeys("ctrl+shift+4"));
    EXPECT_TRUE(waitUntil([&] { return session.shownOverlays() == 1; }));
    EXPECT_TRUE(agent.savedFiles().isEmpty());
}
