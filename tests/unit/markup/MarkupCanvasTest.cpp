#include "CanvasFixture.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QThreadPool>

#include <gtest/gtest.h>

namespace moxilane {
namespace {

using namespace test;

TEST(CanvasMapping, FitsCentresAndInvertsAtSeveralViewSizes) {
    const std::tuple<QSizeF, QSizeF, QRectF> cases[] = {
        // view, image, shown in the view
        {{400, 300}, {800, 600}, {0, 0, 400, 300}},    // exact fit, halved
        {{600, 300}, {800, 600}, {100, 0, 400, 300}},  // bars left and right
        {{640, 924}, {3840, 24000}, {246.08, 0, 147.84, 924}},
        {{300, 300}, {1, 1}, {0, 0, 300, 300}},  // enlarged without limit
        {{640, 924}, {1, 24000}, {319.98075, 0, 0.0385, 924}},
    };
    for (const auto& [view, image, shown] : cases) {
        SCOPED_TRACE(view.width());
        const CanvasMapping m(view, image);
        EXPECT_NEAR(m.displayRect().x(), shown.x(), 1e-6);
        EXPECT_NEAR(m.displayRect().width(), shown.width(), 1e-6);
        EXPECT_NEAR(m.displayRect().height(), shown.height(), 1e-6);
        const QPointF corner(image.width(), image.height());
        EXPECT_NEAR(m.imageToView(corner).x(), shown.right(), 1e-6);
        const QPointF back = m.viewToImage(m.imageToView({0.25, 0.75}));
        EXPECT_NEAR(back.x(), 0.25, 1e-9);
        EXPECT_NEAR(back.y(), 0.75, 1e-9);
    }
    const CanvasMapping collapsed({0, 300}, {800, 600});
    EXPECT_EQ(collapsed.viewToImage({10, 10}), QPointF(0, 0));
    EXPECT_DOUBLE_EQ(CanvasMapping({400, 300}, {800, 600}).creationWidth(4), 8);
    EXPECT_DOUBLE_EQ(CanvasMapping({0, 0}, {800, 600}).creationWidth(4), 3200);
}

TEST(MarkupCanvas, DrawingToolsRecordTheirShapeInImagePixels) {
    const std::pair<MarkupTool, Kind> cases[] = {
        {MarkupTool::arrow, Kind::arrow},   {MarkupTool::rectangle, Kind::rectangle},
        {MarkupTool::oval, Kind::oval},     {MarkupTool::line, Kind::line},
        {MarkupTool::pen, Kind::freehand},  {MarkupTool::highlighter, Kind::highlight},
        {MarkupTool::redact, Kind::redact},
    };
    for (const auto& [tool, kind] : cases) {
        SCOPED_TRACE(label(tool).toStdString());
        const bool freehand = kind == Kind::freehand || kind == Kind::highlight;
        Canvas t;  // the image shown at half size
        t.canvas.setCurrentColor(Qt::green);
        t.canvas.setCurrentTool(tool);
        t.press({100, 100});
        t.drag({150, 120});
        t.drag({170, 130});
        EXPECT_TRUE(t.canvas.annotations().empty());
        t.release({-50, 900});  // released outside the view: the last drag point counts
        ASSERT_EQ(t.canvas.annotations().size(), 1u);
        const auto& a = *t.canvas.annotations().front();
        EXPECT_EQ(a.kind(), kind);
        const std::vector<QPointF> shape = {{200, 200}, {300, 240}, {340, 260}};
        EXPECT_EQ(a.points(), (freehand ? shape : std::vector<QPointF>{shape[0], shape[2]}));
        EXPECT_DOUBLE_EQ(a.lineWidth(), 8);  // 4 view points at half size
        EXPECT_EQ(a.color(), QColor(Qt::green));
        EXPECT_EQ(t.canvas.selection(), t.canvas.annotations().front());
        EXPECT_EQ(t.changes, 1);
        EXPECT_TRUE(t.canvas.canUndo());
    }
}

TEST(MarkupCanvas, DropsOnlyShapesWithinThreePixelsWithFewerThanThreePoints) {
    // The 800 x 600 image at scale 1 or 4.
    const std::tuple<const char*, QSizeF, MarkupTool, int, bool> cases[] = {
        {"click at scale 1: box 8 wide", {800, 600}, MarkupTool::arrow, 0, true},
        {"click at scale 4: box 2 wide", {3200, 2400}, MarkupTool::arrow, 0, false},
        {"pen click at scale 4", {3200, 2400}, MarkupTool::pen, 0, false},
        {"pen with three points in place", {3200, 2400}, MarkupTool::pen, 2, true},
        {"redaction click at scale 4: box 0 wide", {3200, 2400}, MarkupTool::redact, 0, false},
        {"a step is placed by a click", {3200, 2400}, MarkupTool::step, 0, true},
    };
    for (const auto& [name, view, tool, drags, kept] : cases) {
        SCOPED_TRACE(name);
        Canvas t(view);
        t.canvas.setCurrentTool(tool);
        t.press({40, 40});
        for (int i = 0; i < drags; ++i)
            t.drag({40, 40});
        t.release({40, 40});
        EXPECT_EQ(t.canvas.annotations().size(), kept ? 1u : 0u);
        EXPECT_EQ(t.canvas.canUndo(), kept);
    }
}

TEST(MarkupCanvas, SelectPicksTheTopmostHitAndAWholeDragIsOneUndoStep) {
    Canvas t({800, 600});
    t.stroke(MarkupTool::rectangle, {{100, 100}, {300, 300}});
    t.stroke(MarkupTool::rectangle, {{200, 200}, {400, 400}});
    const auto bottom = t.canvas.annotations()[0];
    const auto top = t.canvas.annotations()[1];

    t.stroke(MarkupTool::select, {{250, 250}});  // a click: selects, records nothing
    EXPECT_EQ(t.canvas.selection(), top);
    t.stroke(MarkupTool::select, {{150, 150}});  // inside the outline: still a hit
    EXPECT_EQ(t.canvas.selection(), bottom);
    t.stroke(MarkupTool::select, {{600, 100}});  // empty space deselects
    EXPECT_FALSE(t.canvas.selection());
    EXPECT_EQ(t.changes, 2);

    t.stroke(MarkupTool::select, {{250, 250}, {260, 240}, {270, 230}, {280, 220}});
    EXPECT_EQ(top->points().front(), QPointF(230, 170));  // dragged up: image y decreases
    EXPECT_EQ(t.changes, 3);
    t.canvas.undo();
    EXPECT_EQ(t.canvas.annotations()[1]->points().front(), QPointF(200, 200));
    EXPECT_NE(t.canvas.annotations()[1], top);  // history's copies are the live objects now
    EXPECT_FALSE(t.canvas.selection());
    t.canvas.undo();
    EXPECT_EQ(t.canvas.annotations().size(), 1u);
}

TEST(MarkupCanvas, OtherButtonsAndMidDragEditsKeepTheHistoryConsistent) {
    Canvas t({800, 600});
    t.stroke(MarkupTool::line, {{10, 10}, {50, 50}});
    t.stroke(MarkupTool::line, {{100, 10}, {150, 50}});

    // A right click during a line drag neither ends nor restarts it.
    t.canvas.setCurrentTool(MarkupTool::line);
    t.press({200, 200});
    t.press({210, 210}, Qt::RightButton);
    t.release({210, 210}, Qt::RightButton);
    t.drag({260, 260});
    t.release({260, 260});
    ASSERT_EQ(t.canvas.annotations().size(), 3u);
    EXPECT_EQ(t.canvas.annotations()[2]->points().front(), QPointF(200, 200));

    // Delete in the middle of moving the selection: the move is one step, the delete the next.
    t.canvas.setCurrentTool(MarkupTool::select);
    t.press({120, 20});
    t.drag({130, 30});
    EXPECT_TRUE(t.key(Qt::Key_Delete));
    t.drag({140, 40});
    t.release({140, 40});
    ASSERT_EQ(t.canvas.annotations().size(), 2u);
    t.canvas.undo();  // back before the delete, moved
    ASSERT_EQ(t.canvas.annotations().size(), 3u);
    EXPECT_EQ(t.canvas.annotations()[1]->points().front(), QPointF(110, 20));
    t.canvas.undo();  // back before the move
    EXPECT_EQ(t.canvas.annotations()[1]->points().front(), QPointF(100, 10));
    t.canvas.redo();
    t.canvas.redo();
    EXPECT_EQ(t.canvas.annotations().size(), 2u);
    EXPECT_FALSE(t.canvas.canRedo());

    // Delete without a selection takes the top-most; a new edit cuts the redo history.
    EXPECT_TRUE(t.key(Qt::Key_Backspace));
    EXPECT_EQ(t.canvas.annotations().size(), 1u);
    EXPECT_EQ(t.canvas.annotations()[0]->points().front(), QPointF(10, 10));
    EXPECT_TRUE(t.key(Qt::Key_Z, Qt::ControlModifier));
    EXPECT_TRUE(t.canvas.canRedo());
    t.stroke(MarkupTool::oval, {{300, 300}, {350, 350}});
    EXPECT_FALSE(t.canvas.canRedo());
    EXPECT_TRUE(t.key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier));  // nothing to redo
    EXPECT_EQ(t.canvas.annotations().size(), 3u);
    EXPECT_FALSE(t.key(Qt::Key_A));

    Canvas empty;
    empty.canvas.deleteSelection();
    EXPECT_FALSE(empty.canvas.canUndo());
    EXPECT_EQ(empty.changes, 0);
}

// Painting the view within each reported rectangle, over the view as it was, must give the
// same pixels as painting it all.
TEST(MarkupCanvas, PartialRedrawsWhileDrawingMatchFullOnes) {
    const auto paint = [](MarkupCanvas& canvas, double dpr, QImage* over, QRectF clip) {
        QImage image = over ? *over : QImage(QSize(400, 300) * dpr, QImage::Format_RGB32);
        image.setDevicePixelRatio(dpr);
        QPainter painter(&image);
        if (!clip.isNull()) painter.setClipRect(clip.toAlignedRect());
        canvas.paint(painter, Qt::gray, Qt::blue, dpr);
        return image;
    };
    for (const MarkupTool tool :
         {MarkupTool::pen, MarkupTool::highlighter, MarkupTool::arrow, MarkupTool::oval,
          MarkupTool::redact, MarkupTool::step, MarkupTool::crop}) {
        for (const double dpr : {1.0, 2.0}) {
            SCOPED_TRACE(label(tool).toStdString() + " at " + std::to_string(dpr));
            Canvas t({400, 300}, {1600, 1200});  // a quarter: strokes 16 pixels wide
            QRectF dirty;
            t.canvas.setOnRedraw([&dirty](QRectF rect) { dirty = rect; });
            t.canvas.setCurrentTool(tool);
            t.press({100.3, 100.7});
            QImage shown = paint(t.canvas, dpr, nullptr, {});
            for (const QPointF to :
                 {QPointF(180.5, 140.2), QPointF(120, 40), QPointF(300, 260), QPointF(110, 110)}) {
                t.drag(to);
                ASSERT_FALSE(dirty.isNull());
                shown = paint(t.canvas, dpr, &shown, dirty);
                EXPECT_EQ(shown, paint(t.canvas, dpr, nullptr, {}));
            }
        }
    }
}

TEST(MarkupCanvas, TypedTextIsCommittedByClickUndoAndRenderButNeverWhenBlank) {
    Canvas t;  // half size: 40 image pixels of font are 20 view points
    t.canvas.setCurrentTool(MarkupTool::text);
    t.press({100, 50});
    ASSERT_TRUE(t.field.openFrame);
    EXPECT_EQ(*t.field.openFrame, QRectF(98, 47, 220, 30));
    EXPECT_DOUBLE_EQ(t.field.fontPx, 20);
    t.release({100, 50});
    t.field.typed = QString::fromUtf8("  Hello \n");
    t.press({300, 200});  // the next click commits, then opens a field there
    ASSERT_EQ(t.canvas.annotations().size(), 1u);
    const auto& text = *t.canvas.annotations()[0];
    EXPECT_EQ(text.kind(), Kind::text);
    EXPECT_EQ(text.text(), "Hello");
    EXPECT_EQ(text.points().front(), QPointF(200, 100));
    EXPECT_DOUBLE_EQ(text.fontSize(), 40);
    EXPECT_TRUE(t.field.openFrame);

    t.field.typed = QStringLiteral(" \n\t ");  // blank: no annotation, no step
    t.canvas.commitText();
    EXPECT_FALSE(t.field.openFrame);
    EXPECT_EQ(t.changes, 1);

    // Undo while typing records the text, then undoes it; redo brings it back.
    t.press({50, 250});
    t.field.typed = QStringLiteral("Second");
    t.canvas.undo();
    EXPECT_EQ(t.canvas.annotations().size(), 1u);
    t.canvas.redo();
    ASSERT_EQ(t.canvas.annotations().size(), 2u);
    EXPECT_EQ(t.canvas.annotations()[1]->text(), "Second");

    // Redo leaves a field open; render commits it.
    t.canvas.undo();
    t.press({60, 60});
    t.field.typed = QStringLiteral("Third");
    t.canvas.redo();
    EXPECT_TRUE(t.canvas.isTyping());
    EXPECT_EQ(t.canvas.annotations().size(), 2u);
    ASSERT_TRUE(t.canvas.render());
    EXPECT_EQ(t.canvas.annotations().size(), 3u);
    EXPECT_FALSE(t.canvas.canRedo());
}

TEST(MarkupCanvas, RenderBurnsInAnnotationsAtFullSizeButNotTheSelectionOrDrawing) {
    Canvas t({200, 150});                   // a quarter of the image: creation width 16 pixels
    t.canvas.setCurrentLineWidthPoints(1);  // 4 image pixels
    t.stroke(MarkupTool::rectangle, {{25, 25}, {75, 50}});
    t.canvas.setCurrentTool(MarkupTool::line);
    t.press({150, 100});
    t.drag({190, 140});  // in progress at render time
    const auto image = t.canvas.render();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(800, 600));
    EXPECT_EQ(image->pixelColor(100, 100), systemRed());  // the outline's corner, in pixels
    EXPECT_EQ(image->pixelColor(200, 100), systemRed());  // top edge, 4 pixels wide
    EXPECT_EQ(image->pixelColor(200, 103), QColor(Qt::white));
    EXPECT_EQ(image->pixelColor(200, 96), QColor(Qt::white));
    EXPECT_EQ(image->pixelColor(680, 480), QColor(Qt::white));  // the line being drawn
    int outside = 0;  // the dashed outline would run 8 pixels outside the box
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 96; ++x)
            outside += image->pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_EQ(outside, 0);

    for (const QSize size : {QSize(1, 1), QSize(1, 24000)}) {
        Canvas tiny({640, 924}, size);
        tiny.stroke(MarkupTool::pen, {{320, 0}, {320, 900}});
        const auto burnt = tiny.canvas.render();
        ASSERT_TRUE(burnt);
        EXPECT_EQ(burnt->size(), size);
    }
    FakeTextEntry field;
    EXPECT_FALSE(MarkupCanvas(QImage(), field).render());
}

// A large capture is smoothed off the main thread: until then the view shows it unsmoothed,
// then asks for a redraw and shows the smooth picture; a canvas gone meanwhile drops it.
TEST(MarkupCanvas, ALargeCaptureShowsAPreviewUntilItsSmoothPictureArrives) {
    QImage stripes(2400, 1000, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, x % 2 ? 0xff000000 : 0xffffffff);
    const auto paint = [](MarkupCanvas& canvas) {
        QImage image(400, 300, QImage::Format_RGB32);
        QPainter painter(&image);
        canvas.paint(painter, Qt::gray, Qt::blue, 1.0);
        return image;
    };
    const auto settle = [] {
        QThreadPool::globalInstance()->waitForDone(5000);
        QCoreApplication::processEvents();
    };
    int redraws = 0;
    Canvas t({400, 300}, {}, stripes);
    t.canvas.setOnRedraw([&redraws](QRectF) { ++redraws; });
    const QImage preview = paint(t.canvas);
    settle();
    ASSERT_EQ(redraws, 1);
    const QImage smooth = paint(t.canvas);
    // Nearest pixels are black or white; the smooth picture averages the stripes to grey.
    const QPoint middle(200, 150);
    EXPECT_TRUE(preview.pixel(middle) == 0xff000000 || preview.pixel(middle) == 0xffffffff);
    EXPECT_NEAR(qGray(smooth.pixel(middle)), 128, 8);
    EXPECT_EQ(smooth, paint(t.canvas));

    // Made ready before the window shows, the first paint is already smooth.
    Canvas prepared({400, 300}, {}, stripes);
    prepared.canvas.prepareBaseImage(1.0);
    settle();
    EXPECT_EQ(paint(prepared.canvas), smooth);

    int lateRedraws = 0;
    {
        Canvas gone({400, 300}, {}, stripes);
        gone.canvas.setOnRedraw([&lateRedraws](QRectF) { ++lateRedraws; });
        paint(gone.canvas);
    }
    settle();
    EXPECT_EQ(lateRedraws, 0);
}

}  // namespace
}  // namespace moxilane
