#include "Agent.h"
#include "TestImages.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

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

// A session bus with the accessibility bus on it, as a desktop with a screen reader has; both
// stop with the session.
QString startAccessibilityBus(XSession& session) {
    const QString address = "unix:path=" + session.home() + "/bus";
    QProcessEnvironment env = session.environment();
    session.start("dbus-daemon", {"--session", "--nofork", "--address=" + address}, env);
    if (!waitUntil([&] { return QFile::exists(session.home() + "/bus"); })) return {};
    env.insert("DBUS_SESSION_BUS_ADDRESS", address);
    session.start("/usr/libexec/at-spi-bus-launcher", {"--launch-immediately"}, env);
    return address;
}

// A button of the editor as the accessibility interface lists it.
struct Listed {
    bool showing = false;
    QRect extents;
};
struct Listing {
    QRect window;
    QMap<QString, Listed> buttons;
};

std::optional<Listing> listButtons(XSession& session, const QString& bus, const QString& title) {
    QProcess probe;
    QProcessEnvironment env = session.environment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus);
    probe.setProcessEnvironment(env);
    probe.start("/usr/bin/python3", {ATSPI_PROBE, "buttons", title});  // Debian's, with pyatspi
    if (!probe.waitForFinished(30000) || probe.exitCode() != 0) {
        ADD_FAILURE() << probe.readAllStandardError().toStdString();
        return std::nullopt;
    }
    const QJsonObject out = QJsonDocument::fromJson(probe.readAllStandardOutput()).object();
    const auto rect = [](const QJsonValue& v) {
        const QJsonArray a = v.toArray();
        return QRect(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
    };
    Listing listing{rect(out["window"]), {}};
    for (const QJsonValue& button : out["buttons"].toArray()) {
        listing.buttons[button["name"].toString()] = {button["showing"].toBool(),
                                                      rect(button["extents"])};
    }
    return listing;
}

QString property(XSession& session, const QString& window, const QString& name) {
    return QString::fromUtf8(session.run("xprop", {"-id", window, name}).value_or(""));
}

// What the screen shows in `area` (root device pixels).
QImage grabScreen(XSession& session, QRect area) {
    xcb_connection_t* c = session.connection();
    const auto cookie = xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, session.root(), area.x(),
                                      area.y(), area.width(), area.height(), ~0u);
    std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
        xcb_get_image_reply(c, cookie, nullptr), &std::free);
    if (!reply) return {};
    return QImage(xcb_get_image_data(reply.get()), area.width(), area.height(),
                  QImage::Format_RGB32)
        .copy();
}

// Rows near the window's corners, walked in from each side: the first pixel that is not the
// desktop's must be the light border (white at 0.8 over anything), never the fill or image.
int cornerRowsWithoutBorder(const QImage& shown, const QImage& desktop, int cornerRows) {
    int broken = 0;
    const int w = shown.width(), h = shown.height();
    for (int y = 0; y < h; ++y) {
        if (y >= cornerRows && y < h - cornerRows) continue;
        for (const int step : {1, -1}) {
            int x = step > 0 ? 0 : w - 1;
            while (x >= 0 && x < w && shown.pixel(x, y) == desktop.pixel(x, y))
                x += step;
            if (x < 0 || x >= w) continue;
            const QColor first = shown.pixelColor(x, y);
            if (std::min({first.red(), first.green(), first.blue()}) < 190) ++broken;
        }
    }
    return broken;
}

// Whether one of the program's pop-up menus is on screen: its only visible window without a
// name (Qt marks a menu's type as normal).
bool popupMenuShown(XSession& session) {
    const auto windows =
        session.run("xdotool", {"search", "--onlyvisible", "--classname", "moxilane"});
    for (const QByteArray& window : windows.value_or("").split('\n')) {
        if (!window.isEmpty() &&
            !property(session, QString::fromLatin1(window), "WM_NAME").contains("Moxilane"))
            return true;
    }
    return false;
}

QByteArray focusedWindow(XSession& session) {
    return session.run("xdotool", {"getwindowfocus"}).value_or("").trimmed();
}

const QString kThumbnail = QStringLiteral("Moxilane Thumbnail");
const QString kEditor = QStringLiteral("Moxilane — Markup");
const QString kPin = QStringLiteral("Moxilane Pin");

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
    // Shown without a pixmap of its own, which would hold its first paint back; given one
    // soon after, so that a window capture of it covered reads its own pixels.
    EXPECT_TRUE(waitUntil([&] { return session.hasOwnPixmap(editor.toUInt()); }));

    // The canvas shows the capture at 0.84 under the 48-point bar, centred in a window that
    // may be wider than the picture (as wide as its bar).
    const int width = windowGeometry(session, editor).width();
    const int left = int(std::lround((width - before.width() * 0.84) / 2));
    const auto toView = [left](QPoint image) { return image * 0.84 + QPoint(left, 48); };
    // The rectangle tool (third of the bar's 32-point buttons, 12 in), then a drag.
    ASSERT_TRUE(click(session, editor, {12 + 2 * 32 + 16, 24}));
    ASSERT_TRUE(drag(session, editor, toView({357, 238}), toView({595, 417})));
    // Redact (the ninth tool) dragged over the other program's window and its text.
    const QRect secret = windowGeometry(session, other);
    ASSERT_TRUE(click(session, editor, {12 + 8 * 32 + 16, 24}));
    ASSERT_TRUE(drag(session, editor, toView(secret.topLeft() - QPoint(12, 12)),
                     toView(secret.bottomRight() + QPoint(12, 12))));
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
    // The redaction: the window and a margin uniform black, within a pixel of the drag.
    const QRect redacted = secret.adjusted(-12, -12, 12, 12);
    int changed = 0, changedOutside = 0, notBlack = 0;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            if (redacted.adjusted(-2, -2, 2, 2).contains(x, y)) {
                notBlack += redacted.adjusted(2, 2, -2, -2).contains(x, y) &&
                            after.pixel(x, y) != qRgb(0, 0, 0);
                continue;
            }
            if (after.pixel(x, y) == before.pixel(x, y)) continue;
            ++changed;
            if (!near.contains(x, y)) ++changedOutside;
        }
    }
    EXPECT_FALSE(secret.isEmpty());
    EXPECT_EQ(notBlack, 0);
    EXPECT_GT(changed, 500);
    EXPECT_EQ(changedOutside, 0);

    // Discard (the sixth item, after the tools, swatches, S/M/L, Undo and Redo), confirmed.
    const QRect firstPlace = windowGeometry(session, editor);
    ASSERT_TRUE(
        click(session, editor, {12 + 352 + 10 + 150 + 10 + 96 + 10 + 32 + 10 + 32 + 10 + 16, 24}));
    ASSERT_TRUE(waitUntil([&] { return !findWindow(session, "Moxilane").isEmpty(); }));
    ASSERT_TRUE(session.run("xdotool", {"key", "Return"}));
    ASSERT_TRUE(waitUntil([&] { return !QFile::exists(captured); }));
    EXPECT_TRUE(QFile::exists(edited));  // a saved edit is not the capture's to remove
    EXPECT_TRUE(waitUntil([&] { return findWindow(session, kEditor).isEmpty(); }));
    const auto targets = session.run("xclip", {"-selection", "clipboard", "-t", "TARGETS", "-o"});
    EXPECT_FALSE(targets && targets->contains("image/png"));

    // The next capture's editor, opened as the thumbnail shows, takes over that window in the
    // same place: it shows the new capture only, without the markup, and saves it unchanged.
    ASSERT_TRUE(session.paintRoot(pattern({1280, 800}, 40)));
    ASSERT_TRUE(session.pressKeys("ctrl+shift+3"));
    ASSERT_TRUE(agent.waitForFiles(2));
    QStringList names = agent.savedFiles();
    names.removeAll(QFileInfo(edited).fileName());
    ASSERT_EQ(names.size(), 1);
    const QString next = agent.saveFolder + "/" + names[0];
    ASSERT_TRUE(waitUntil([&] { return !findWindow(session, kThumbnail).isEmpty(); }));
    ASSERT_TRUE(click(session, findWindow(session, kThumbnail), {130, 80}));
    ASSERT_TRUE(waitUntil([&] { return findWindow(session, kEditor) == editor; }));
    EXPECT_EQ(windowGeometry(session, editor), firstPlace);
    const QRect shownSecret(firstPlace.topLeft() + toView(redacted.topLeft()),
                            firstPlace.topLeft() + toView(redacted.bottomRight()));
    EXPECT_TRUE(waitUntil([&] {
        const QImage shown = grabScreen(session, shownSecret);
        return !shown.isNull() && shown.pixel(shown.rect().center()) != qRgb(0, 0, 0);
    }));
    ASSERT_TRUE(click(session, editor, {width - 12 - 64 - 10 - 32, 24}));  // Save
    ASSERT_TRUE(agent.waitForFiles(3));
    EXPECT_TRUE(std::ranges::all_of(agent.savedFiles(), [&](const QString& name) {
        const QString path = agent.saveFolder + "/" + name;
        return path == edited || loadOpaque(path) == loadOpaque(next);
    }));
}

// A capture pinned from its thumbnail's menu: at its size in a one-point edge, above other
// windows, leaving the focus where it was; a click takes the focus, and Esc then closes it.
TEST(Markup, APinShowsTheCaptureAboveOtherWindowsAndTakesTheFocusOnlyWhenClicked) {
    XSession session({1280, 800}, {{"MAIN", {0, 0, 1280, 800}, true}});
    ASSERT_TRUE(session.isReady() && session.paintRoot(pattern({1280, 800})));
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());
    session.start("xmessage", {"-geometry", "+40+40", "working"}, session.environment());
    ASSERT_TRUE(waitUntil([&] { return !findWindow(session, "xmessage").isEmpty(); }));
    const QString other = findWindow(session, "xmessage");
    ASSERT_TRUE(session.run("xdotool", {"windowfocus", "--sync", other}));
    const QByteArray focusBefore = focusedWindow(session);

    const QPoint from(300, 200);
    ASSERT_TRUE(session.openOverlays("ctrl+shift+1", from, 1));
    session.drag(from, from + QPoint(200, 150));
    ASSERT_TRUE(agent.waitForFiles(1));
    const QImage captured = loadOpaque(agent.saved());
    ASSERT_EQ(captured.size(), QSize(200, 150));
    ASSERT_TRUE(waitUntil([&] { return !findWindow(session, kThumbnail).isEmpty(); }));
    ASSERT_TRUE(moveIn(session, findWindow(session, kThumbnail), {40, 30}, {"click", "3"}));
    ASSERT_TRUE(waitUntil([&] { return popupMenuShown(session); }));
    ASSERT_TRUE(session.run("xdotool", {"key", "Down", "Return"}));  // "Pin to Screen"
    ASSERT_TRUE(waitUntil([&] { return !findWindow(session, kPin).isEmpty(); }));
    const QString pin = findWindow(session, kPin);

    const QRect placed = windowGeometry(session, pin);
    EXPECT_EQ(placed.size(), QSize(202, 152));
    const QPoint offCentre = placed.center() - workArea(session).center();
    EXPECT_LE(offCentre.manhattanLength(), 2);
    const QRect image = placed.adjusted(1, 1, -1, -1);
    EXPECT_TRUE(waitUntil([&] { return grabScreen(session, image) == captured; }));
    EXPECT_EQ(focusedWindow(session), focusBefore);

    // The other program, moved under the pin and activated, stays behind it.
    ASSERT_TRUE(session.run("xdotool", {"windowmove", "--sync", other, QString::number(image.x()),
                                        QString::number(image.y())}));
    ASSERT_TRUE(session.run("xdotool", {"windowactivate", "--sync", other, "sleep", "0.3"}));
    EXPECT_EQ(focusedWindow(session), focusBefore);
    EXPECT_TRUE(grabScreen(session, image) == captured);

    ASSERT_TRUE(click(session, pin, {100, 75}));
    EXPECT_TRUE(waitUntil([&] { return focusedWindow(session) == pin.toLatin1(); }));
    ASSERT_TRUE(session.run("xdotool", {"key", "Escape"}));
    EXPECT_TRUE(waitUntil([&] { return findWindow(session, kPin).isEmpty(); }));
}

// Every item of the bar within reach, as a screen reader finds it: on one row where the work
// area has room, the trailing group on a second row where it has not; and clickable by name.
TEST(Markup, EveryBarItemIsShowingInsideTheWindowAndNamedForAScreenReader) {
    struct Scenario {
        QSize screen;
        int scale;
        bool wraps;
    };
    const Scenario scenarios[] = {
        {{1280, 800}, 1, false}, {{3840, 2160}, 2, false}, {{1024, 768}, 1, true}};
    // Tools, swatches, thicknesses, Undo, Redo, Discard.
    const QStringList leading = {"Select / Move", "Arrow",       "Rectangle", "Oval",   "Line",
                                 "Freehand",      "Highlighter", "Text",      "Redact", "Step",
                                 "Crop",          "Red",         "Orange",    "Yellow", "Green",
                                 "Blue",          "Black",       "White",     "Small",  "Medium",
                                 "Large",         "Undo",        "Redo",      "Discard"};
    const QStringList trailing = {"Pin", "Share", "Copy", "Save", "Done"};
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(testing::Message() << scenario.screen.width() << " at " << scenario.scale);
        XSession session(scenario.screen, {{"MAIN", QRect(QPoint(), scenario.screen), true}});
        ASSERT_TRUE(session.isReady() && session.paintRoot(pattern(scenario.screen)));
        const QString bus = startAccessibilityBus(session);
        ASSERT_FALSE(bus.isEmpty());
        QProcessEnvironment env = scenario.scale == 2 ? Agent::scaleTwo() : QProcessEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus);
        env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        Agent agent(session, env);
        ASSERT_TRUE(agent.waitUntilReady());

        // A 200 × 150-point area.
        const QPoint from(100, 100);
        ASSERT_TRUE(session.openOverlays("ctrl+shift+1", from, 1));
        session.drag(from, from + QPoint(200, 150) * scenario.scale);
        ASSERT_TRUE(agent.waitForFiles(1));
        ASSERT_TRUE(waitUntil([&] { return !findWindow(session, kThumbnail).isEmpty(); }));
        const QString thumbnail = findWindow(session, kThumbnail);
        const QRect shown = windowGeometry(session, thumbnail);
        // Its rounded corners keep an unbroken border at either scale.
        const QImage desktop = pattern(scenario.screen).copy(shown);
        QImage corners;
        EXPECT_TRUE(waitUntil([&] {
            corners = grabScreen(session, shown);
            return corners.pixel(shown.width() / 2, 0) != desktop.pixel(shown.width() / 2, 0);
        }));
        EXPECT_EQ(cornerRowsWithoutBorder(corners, desktop, 12 * scenario.scale), 0);
        ASSERT_TRUE(click(session, thumbnail, {shown.width() / 2, shown.height() / 2}));
        ASSERT_TRUE(waitUntil([&] { return !findWindow(session, kEditor).isEmpty(); }));
        const QString editor = findWindow(session, kEditor);

        const auto listing = listButtons(session, bus, kEditor);
        ASSERT_TRUE(listing);
        for (const QString& name : leading + trailing) {
            SCOPED_TRACE(name.toStdString());
            ASSERT_TRUE(listing->buttons.contains(name));
            const Listed& button = listing->buttons[name];
            EXPECT_TRUE(button.showing);
            EXPECT_TRUE(listing->window.contains(button.extents));
        }
        // The bar's groups as measured: one row needs both side by side.
        const auto span = [&](const QString& first, const QString& last) {
            return listing->buttons[last].extents.right() - listing->buttons[first].extents.left();
        };
        const int oneRow = span("Select / Move", "Discard") + span("Pin", "Done");
        const int sameRow =
            listing->buttons["Done"].extents.top() == listing->buttons["Undo"].extents.top();
        EXPECT_EQ(!sameRow, scenario.wraps);
        EXPECT_EQ(listing->window.width() < oneRow, scenario.wraps);

        // Save, found by its name, clicked as a user would.
        ASSERT_TRUE(session.run("xdotool", {"windowactivate", "--sync", editor}));
        // The interface counts points; the pointer moves in pixels.
        const auto at = [&](const QString& name) {
            return listing->buttons[name].extents.center() * scenario.scale;
        };
        session.click(at("Save"));
        EXPECT_TRUE(agent.waitForFiles(2));

        // Pin, then a double-click on the pin closes it.
        session.click(at("Pin"));
        ASSERT_TRUE(waitUntil([&] { return !findWindow(session, kPin).isEmpty(); }));
        ASSERT_TRUE(
            moveIn(session, findWindow(session, kPin), {20, 20}, {"click", "--repeat", "2", "1"}));
        EXPECT_TRUE(waitUntil([&] { return findWindow(session, kPin).isEmpty(); }));

        // The Discard question: the program's name as title, over its editor, a line wide.
        session.click(at("Discard"));
        ASSERT_TRUE(waitUntil([&] { return !findWindow(session, "Moxilane").isEmpty(); }));
        const QString question = findWindow(session, "Moxilane");
        EXPECT_TRUE(property(session, question, "WM_NAME").contains("\"Moxilane\""));
        EXPECT_TRUE(property(session, question, "WM_TRANSIENT_FOR")
                        .contains(QString::asprintf("0x%x", editor.toUInt())));
        EXPECT_GE(windowGeometry(session, question).width(), 400 * scenario.scale);
        ASSERT_TRUE(session.run("xdotool", {"key", "Escape"}));
        EXPECT_TRUE(waitUntil([&] { return findWindow(session, "Moxilane").isEmpty(); }));
        EXPECT_FALSE(findWindow(session, kEditor).isEmpty());
    }
}
