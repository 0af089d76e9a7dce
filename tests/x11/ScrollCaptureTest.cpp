#include "Agent.h"
#include "TallPage.h"
#include "TestImages.h"

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
    return !session.findWindow("^Scrolling Capture$").isEmpty();
}

// Selects `from`..`to` for a scrolling capture and waits for the panel, which must leave
// the focus where it was. Returns that focus.
QByteArray selectForScrolling(XSession& session, QPoint from, QPoint to) {
    const QByteArray focus = focusedWindow(session);
    EXPECT_TRUE(session.openOverlays("ctrl+shift+4", from, 1));
    session.drag(from, to);
    EXPECT_TRUE(waitUntil([&] { return panelShown(session); }));
    EXPECT_EQ(focusedWindow(session), focus) << "the panel took the focus";
    return focus;
}

// Clicks into the panel at `at`, which takes the focus from `focus`, and presses key.
void pressInPanel(XSession& session, const QByteArray& focus, QPoint at, const QString& key) {
    session.click(at);
    EXPECT_TRUE(waitUntil([&] { return focusedWindow(session) != focus; }));
    EXPECT_TRUE(session.run("xdotool", {"key", key}));
}

// A session with the scroll view at `geometry` and a ready agent.
struct ScrollScene {
    XSession session{{1920, 1080}, {{"MAIN", {0, 0, 1920, 1080}, true}}};
    std::optional<ScrollView> view;
    std::optional<Agent> agent;
    bool start(QRect geometry) {
        if (!session.isReady()) return false;
        view.emplace(session, geometry);
        if (!view->waitShown()) return false;
        agent.emplace(session);
        return agent->waitUntilReady();
    }
};

// A scrolling capture of `from`..`to`, scrolled `clicks` wheel steps down with the pointer at
// `wheelAt`, finished with a click into the panel at `panelAt` and Return, or else with the
// shortcut again. Returns the saved image.
QImage scrollCapture(ScrollScene& s, QPoint from, QPoint to, QPoint wheelAt, int clicks,
                     std::optional<QPoint> panelAt = {}) {
    XSession& session = s.session;
    const QByteArray focus = selectForScrolling(session, from, to);
    session.movePointer(wheelAt);
    for (int i = 0; i < clicks; ++i) {
        const int before = s.view->offset;
        EXPECT_TRUE(session.run("xdotool", {"click", "5"}));
        EXPECT_TRUE(waitUntil([&] {
            s.view->read();
            return s.view->offset > before;
        }));
        QThread::msleep(400);  // past a tick or so
    }
    if (panelAt) {
        pressInPanel(session, focus, *panelAt, "Return");
    } else {
        EXPECT_TRUE(session.pressKeys("ctrl+shift+4"));
    }
    EXPECT_TRUE(s.agent->waitForFiles(1));
    EXPECT_TRUE(waitUntil([&] { return !panelShown(session); }));
    return s.agent->savedFiles().isEmpty() ? QImage() : loadOpaque(s.agent->saved());
}

}  // namespace

TEST(ScrollingCapture, StitchesTheScrolledPageRowForRowAndReturnFinishesOnceClickedInto) {
    ScrollScene s;
    ASSERT_TRUE(s.start(QRect(100, 100, 600, 700)));
    const QPoint from = s.view->viewport + QPoint(50, 50);
    const QPoint to = from + QPoint(400, 500);
    // The panel sits 12 points below the selection, centred on it: click its title line.
    const QPoint panelTitle((from.x() + to.x()) / 2 - 100, to.y() + 20);
    const QImage result =
        scrollCapture(s, from, to, s.view->viewport + QPoint(300, 300), 8, panelTitle);
    ASSERT_EQ(s.view->offset, 8 * 60);
    ASSERT_EQ(result.size(), QSize(400, 500 + s.view->offset));
    EXPECT_EQ(result, tallPage().copy(50, 50, 400, 500 + s.view->offset));
}

// Nowhere to put the panel but inside the selection: it must not show in the result.
TEST(ScrollingCapture, PanelInsideAScreenTallSelectionIsLeftOut) {
    ScrollScene s;
    ASSERT_TRUE(s.start(QRect(0, 0, 600, 1080)));
    ASSERT_EQ(s.view->viewport, QPoint(0, 0));
    const QImage result = scrollCapture(s, QPoint(100, 0), QPoint(500, 1079), QPoint(300, 300), 6);
    ASSERT_EQ(s.view->offset, 6 * 60);
    // The drag ends on the last row: the selection reaches the screen's bottom edge.
    ASSERT_EQ(result.size(), QSize(400, 1080 + s.view->offset));
    EXPECT_EQ(result, tallPage().copy(100, 0, 400, 1080 + s.view->offset));
}

TEST(ScrollingCapture, EscInThePanelEndsWithNothingSaved) {
    ScrollScene s;
    ASSERT_TRUE(s.start(QRect(100, 100, 600, 700)));
    XSession& session = s.session;
    const QByteArray focus = selectForScrolling(session, {150, 150}, {550, 650});
    pressInPanel(session, focus, {250, 670}, "Escape");
    EXPECT_TRUE(waitUntil([&] { return !panelShown(session); }));
    // The flow has ended: the next scrolling trigger opens the overlay again.
    ASSERT_TRUE(session.pressKeys("ctrl+shift+4"));
    EXPECT_TRUE(waitUntil([&] { return session.shownOverlays() == 1; }));
    EXPECT_TRUE(s.agent->savedFiles().isEmpty());
}
