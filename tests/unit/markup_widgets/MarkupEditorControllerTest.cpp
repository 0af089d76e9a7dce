#include "markup/MarkupEditorController.h"
#include "platform/Questions.h"
#include "platform/Services.h"

#include <QApplication>
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
    std::vector<QByteArray> items;
};
struct NoDesktop final : Desktop {
    void openFile(const QString&) override {}
    bool revealFolder(const QString&) override { return false; }
};

QToolButton* buttonNamed(QWidget& window, const QString& text) {
    for (auto* button : window.findChildren<QToolButton*>())
        if (button->text() == text || button->toolTip() == text) return button;
    return nullptr;
}

// A rectangle dragged across the canvas with the tool bar's rectangle tool.
void drawRectangle(MarkupEditorController& editor) {
    editor.canvasView().canvas().setCurrentTool(MarkupTool::rectangle);
    QWidget& view = editor.canvasView();
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
    NoDesktop desktop;
    QImage capture;
    MarkupEditorController editor;
    int closed = 0;
    explicit EditorFixture(QSize size = {400, 300}, double scale = 2.0, QSizeF screen = {1440, 875})
        : capture(grey(size)), editor(capture, scale, {questions, clipboard, desktop}, screen) {
        editor.onClosed = [this] { ++closed; };
        editor.present();
    }
};

}  // namespace

TEST(MarkupEditor, TitleSizeAndUndoRedoFollowTheStacks) {
    EditorFixture f;
    EXPECT_EQ(f.editor.windowTitle(), "Moxilane — Markup");
    EXPECT_EQ(f.editor.size(), QSize(936, 198));  // 200 × 150 points, raised to the bar's width
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
    EXPECT_EQ(f.editor.size(), QSize(936, 972));
    EXPECT_FALSE(f.editor.grab().isNull());
}

// Every item inside the window at its initial size: in one row where 90 % of the work area
// holds the bar, else with Share, Copy, Save and Done on a second row, the canvas as high.
TEST(MarkupEditor, EveryBarItemIsInsideTheWindowInOneRowOrTwo) {
    for (const bool narrow : {false, true}) {
        SCOPED_TRACE(narrow ? "1024 wide" : "1440 wide");
        EditorFixture f({400, 300}, 2.0, narrow ? QSizeF(1024, 768) : QSizeF(1440, 875));
        QCoreApplication::processEvents();
        const auto buttons = f.editor.findChildren<QToolButton*>();
        ASSERT_EQ(buttons.size(), 8 + 7 + 3 + 3 + 4);
        for (QToolButton* button : buttons) {
            SCOPED_TRACE(button->accessibleName().toStdString());
            EXPECT_FALSE(button->accessibleName().isEmpty());
            EXPECT_TRUE(button->isVisibleTo(&f.editor));
            EXPECT_TRUE(f.editor.rect().contains(
                QRect(button->mapTo(&f.editor, QPoint()), button->size())));
        }
        const int undoTop = buttonNamed(f.editor, "Undo (Ctrl+Z)")->mapTo(&f.editor, QPoint()).y();
        const int doneTop = buttonNamed(f.editor, "Done")->mapTo(&f.editor, QPoint()).y();
        EXPECT_EQ(doneTop > undoTop, narrow);
        EXPECT_EQ(f.editor.canvasView().height(), 150);
    }
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
