#include "fakes/FakeServices.h"
#include "markup/MarkupEditorController.h"
#include "markup/ShareMenu.h"
#include "platform/Questions.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

struct Answers final : Questions {
    bool ask(const QString& message, const QString&, const QString&, const QString&) override {
        asked << message;
        return answer;
    }
    bool answer = false;
    QStringList asked;
};
struct Pasteboard final : Clipboard {
    void setPngImage(const QByteArray& png) override { items.push_back(png); }
    bool holdsImage() const override { return !items.empty(); }
    void clear() override { items.clear(); }
    std::vector<QByteArray> items;
};

QToolButton* buttonNamed(QWidget& window, const QString& text) {
    for (auto* button : window.findChildren<QToolButton*>())
        if (button->text() == text || button->toolTip() == text) return button;
    return nullptr;
}

// A rectangle dragged across the canvas with the tool bar's rectangle tool.
void drawRectangle(MarkupEditorController& editor) {
    buttonNamed(editor, label(MarkupTool::rectangle))->click();
    QWidget& view = *editor.findChild<MarkupCanvasView*>();
    auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, view.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    };
    send(QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton);
    send(QEvent::MouseMove, {80, 60}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {80, 60}, Qt::NoButton);
}

QImage grey(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::gray);
    return image;
}

// An editor on a grey capture, by default 400 × 300 pixels at scale 2 on a 1440 × 875 screen.
struct EditorFixture {
    Answers questions;
    Pasteboard clipboard;
    test::FakeDesktop desktop;
    test::FakeAlerts alerts;
    QImage capture;
    MarkupEditorController editor;
    int closed = 0;
    explicit EditorFixture(QSize size = {400, 300}, double scale = 2.0, QSizeF screen = {1440, 875})
        : capture(grey(size)),
          editor(capture, scale, {questions, clipboard, desktop, alerts}, screen) {
        editor.onClosed = [this] { ++closed; };
        editor.present();
    }
};

}  // namespace

TEST(MarkupEditor, TitleSizeAndUndoRedoFollowTheStacks) {
    EditorFixture f;
    EXPECT_EQ(f.editor.windowTitle(), "Moxilane — Markup");
    EXPECT_EQ(f.editor.size(), QSize(640, 198));  // 200 × 150 points, raised to 640 wide
    QToolButton* undo = buttonNamed(f.editor, "Undo (Ctrl+Z)");
    QToolButton* redo = buttonNamed(f.editor, "Redo (Ctrl+Shift+Z)");
    ASSERT_TRUE(undo && redo);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    drawRectangle(f.editor);
    EXPECT_TRUE(undo->isEnabled());
    undo->click();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_TRUE(redo->isEnabled());
}

TEST(MarkupEditor, SaveAndCopyGiveTheFullSizeRenderAndTheWindowStays) {
    EditorFixture f;
    drawRectangle(f.editor);
    std::vector<std::pair<QImage, double>> saved;
    f.editor.onSave = [&](const QImage& image, double scale) { saved.push_back({image, scale}); };
    buttonNamed(f.editor, "Save")->click();
    buttonNamed(f.editor, "Save")->click();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].first.size(), QSize(400, 300));
    EXPECT_EQ(saved[0].second, 2.0);
    EXPECT_NE(saved[0].first.convertToFormat(QImage::Format_RGB32), f.capture);
    buttonNamed(f.editor, "Copy")->click();
    ASSERT_EQ(f.clipboard.items.size(), 1u);
    EXPECT_TRUE(f.clipboard.items[0].startsWith("\x89PNG"));
    EXPECT_TRUE(f.editor.isVisible());
    EXPECT_EQ(f.closed, 0);
}

TEST(MarkupEditor, DiscardAsksFirstAndDoneClosesWithoutAsking) {
    EditorFixture f;
    std::vector<QString> calls;
    f.editor.onDiscard = [&] { calls.push_back("discard"); };
    f.editor.onClosed = [&] { calls.push_back("closed"); };
    QToolButton* discard = buttonNamed(f.editor, "Discard this screenshot");
    discard->click();  // cancelled
    EXPECT_EQ(f.questions.asked, QStringList{"Discard this screenshot?"});
    EXPECT_TRUE(calls.empty());
    f.questions.answer = true;
    discard->click();
    EXPECT_EQ(calls, (std::vector<QString>{"discard", "closed"}));
    EXPECT_FALSE(f.editor.isVisible());

    EditorFixture g;
    buttonNamed(g.editor, "Done")->click();
    EXPECT_EQ(g.closed, 1);
    EXPECT_TRUE(g.questions.asked.isEmpty());
}

TEST(MarkupEditor, AVeryTallCaptureOpensAtAUsableSizeAndPaints) {
    EditorFixture f({3840, 24000}, 1.0, {1920, 1080});
    EXPECT_EQ(f.editor.size(), QSize(640, 972));
    EXPECT_FALSE(f.editor.grab().isNull());
}

TEST(ShareMenu, WhatTheDesktopRefusesIsShownWithItsReason) {
    test::FakeDesktop desktop;
    desktop.applications = {{"viewer.desktop", "Viewer"}};
    test::FakeAlerts alerts;
    QWidget parent;
    QMenu* menu = makeShareMenu("/tmp/shot.png", desktop, alerts, &parent);
    const auto trigger = [&](const char* text) {
        for (QAction* action : menu->findChildren<QAction*>())
            if (action->text() == QString::fromUtf8(text)) return action->trigger();
        ADD_FAILURE() << text;
    };
    for (const char* item : {"Open", "Viewer", "Show in File Manager", "Copy File"})
        trigger(item);
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_EQ(desktop.launched, QStringList{"viewer.desktop /tmp/shot.png"});
    EXPECT_EQ(desktop.revealed, QStringList{"/tmp/shot.png"});
    EXPECT_EQ(desktop.copied, QStringList{"/tmp/shot.png"});

    desktop.refusal = "No such file or directory";
    for (const char* item : {"Open", "Viewer", "Show in File Manager", "Copy File"})
        trigger(item);
    QStringList titles;
    for (const auto& alert : alerts.shown) {
        titles << alert.message;
        EXPECT_EQ(alert.text, *desktop.refusal);
    }
    EXPECT_EQ(titles,
              (QStringList{"Could Not Open the Screenshot", "Could Not Open the Screenshot",
                           "Could Not Open the File Manager", "Could Not Copy the Screenshot"}));
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
