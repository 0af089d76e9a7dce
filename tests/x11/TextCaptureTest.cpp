#include "Agent.h"
#include "TextSample.h"

#include <gtest/gtest.h>

using namespace moxilane::test;
using namespace std::chrono_literals;

namespace {

const QString kCode = QStringLiteral("https://moxilane.example/qr?id=42");

// `moxilane text` running until it exits; its overlay shown with the pointer at `at`.
struct TextCommand {
    QProcess process;
    TextCommand(XSession& session, QPoint at) {
        session.movePointer(at);
        const QByteArray before = session.pixelsAround(at);
        process.setProcessEnvironment(session.environment());
        process.start(MOXILANE_BINARY, {"text"});
        shown = waitUntil([&] { return session.shownOverlays() == 1; }) &&
                waitUntil([&] { return session.pixelsAround(at) != before; }, 2s);
    }
    bool finished() { return process.waitForFinished(30'000); }
    bool shown = false;
};

QString clipboardText(XSession& session) {
    const auto text = session.run("xclip", {"-selection", "clipboard", "-t", "UTF8_STRING", "-o"});
    return text ? QString::fromUtf8(*text) : QString();
}

}  // namespace

TEST(TextCapture, DragOverTextAndACodeCopiesAndPrintsBothAndEscLeavesTheClipboard) {
    XSession session({1280, 800});
    ASSERT_TRUE(session.isReady());
    // Known text at 16 pt with a QR code of our own beside it.
    const QStringList lines{QStringLiteral("Capture Text reads this line at sixteen points."),
                            QStringLiteral("Order 7731 ships on Friday, 12 June.")};
    QImage picture = moxilane::texttest::renderText(lines, {.points = 16, .widthPx = 1000});
    const QString qrFile = session.home() + "/code.png";
    ASSERT_TRUE(session.run("qrencode", {"-s", "5", "-m", "2", "-o", qrFile, kCode}));
    const QImage code = QImage(qrFile).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(code.isNull());
    QImage window(picture.width() + code.width() + 40, std::max(picture.height(), code.height()),
                  QImage::Format_RGB32);
    window.fill(picture.pixel(0, 0));
    QPainter(&window).drawImage(0, 0, picture);
    QPainter(&window).drawImage(picture.width() + 20, 0, code);
    const xcb_window_t shown = session.showWindow(window, {60, 80}, "Known text");
    ASSERT_NE(shown, 0u);
    const auto [left, right, top, bottom] = session.frameExtents(shown);
    const QRect client(QPoint(60 + left, 80 + top), window.size());

    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());
    {
        TextCommand command(session, client.topLeft() + QPoint(2, 2));
        ASSERT_TRUE(command.shown);
        session.drag(client.topLeft() + QPoint(2, 2), client.bottomRight() - QPoint(2, 2));
        ASSERT_TRUE(command.finished());
        EXPECT_EQ(command.process.exitCode(), 0) << agent.standardError().toStdString();
        const QString expected = kCode + " " + lines.join(u' ');
        const QString printed = QString::fromUtf8(command.process.readAllStandardOutput());
        EXPECT_EQ(printed.simplified().toStdString(), expected.toStdString());
        EXPECT_TRUE(printed.startsWith(kCode + "\n"));
        EXPECT_EQ(clipboardText(session).simplified().toStdString(), expected.toStdString());
        EXPECT_TRUE(agent.savedFiles().isEmpty());  // no file for text
        // The toast in the thumbnail's corner; a click on it opens the whole text.
        ASSERT_TRUE(waitUntil([&] { return !session.findWindow("^Moxilane Text$").isEmpty(); }));
        session.click({1280 - 16 - 130, 800 - 16 - 10});
        EXPECT_TRUE(waitUntil([&] { return !session.findWindow("^Captured Text$").isEmpty(); }));
    }
    {
        TextCommand command(session, {700, 600});
        ASSERT_TRUE(command.shown);
        ASSERT_TRUE(waitUntil([&] { return session.isKeyboardGrabbedElsewhere(); }));
        ASSERT_TRUE(session.pressKeys("Escape"));
        ASSERT_TRUE(command.finished());
        EXPECT_EQ(command.process.exitCode(), 4);
        EXPECT_TRUE(command.process.readAllStandardOutput().isEmpty());
        EXPECT_EQ(clipboardText(session).simplified().toStdString(),
                  (kCode + " " + lines.join(u' ')).toStdString());
    }
}
