#include "CanvasFixture.h"

#include <QColorSpace>
#include <QPainter>

#include <gtest/gtest.h>

namespace moxilane {
namespace {

using namespace test;

// Every pixel different from its neighbours, so any trace of it would show.
QImage noise(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * 7 + y * 53) % 256, x ^ y));
    return image;
}

int pixelsOtherThan(const QImage& image, QRect area, QRgb expected) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixel(x, y) != expected;
    return count;
}

// The view shows the 800 x 600 image at scale 1, so view points are image pixels.
TEST(MarkupTools, ARedactionIsUniformBlackOverCaptureAndEarlierMarksUnderLaterOnes) {
    const QImage capture = noise({800, 600});
    Canvas t({800, 600}, {800, 600}, capture);
    t.stroke(MarkupTool::rectangle, {{100, 100}, {300, 250}});
    t.stroke(MarkupTool::redact, {{150.4, 120.6}, {400.5, 300.2}});
    t.stroke(MarkupTool::line, {{200, 200}, {380, 200}});
    const auto image = t.canvas.render();
    ASSERT_TRUE(image);
    // Widened to whole pixels: nothing of a partly covered pixel survives.
    const QRect redacted(QPoint(150, 120), QPoint(400, 300));
    const QRect lineBand(QPoint(190, 190), QPoint(390, 210));
    int notBlack = 0;
    for (int y = redacted.top(); y <= redacted.bottom(); ++y)
        for (int x = redacted.left(); x <= redacted.right(); ++x)
            notBlack += !lineBand.contains(x, y) && image->pixel(x, y) != qRgb(0, 0, 0);
    EXPECT_EQ(notBlack, 0);
    EXPECT_EQ(image->pixelColor(300, 200), systemRed());  // the later line, on top
    EXPECT_EQ(image->pixelColor(120, 100), systemRed());  // the rectangle's edge left of it
    int changed = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            changed += !QRect(90, 90, 320, 220).contains(x, y) &&
                       image->pixel(x, y) != capture.pixel(x, y);
    EXPECT_EQ(changed, 0);

    // Selected, moved, deleted and undone like any shape.
    t.canvas.undo();
    t.stroke(MarkupTool::select, {{390, 290}, {395, 295}});
    EXPECT_EQ(t.canvas.selection(), t.canvas.annotations().back());
    EXPECT_EQ(t.canvas.selection()->points().front(), QPointF(155.4, 125.6));
    t.canvas.deleteSelection();
    EXPECT_EQ(t.canvas.annotations().size(), 1u);
    t.canvas.undo();
    EXPECT_EQ(t.canvas.annotations().back()->kind(), Kind::redact);
}

// The number a step shows: the render of its disc compared with the step drawn with each.
int numberShown(const QImage& render, const Annotation& step) {
    const QRect box = step.boundingBox().toAlignedRect();
    for (int number = 1; number <= 9; ++number) {
        QImage reference(render.size(), QImage::Format_RGB32);
        reference.fill(Qt::white);
        reference.setColorSpace(render.colorSpace());  // images of two spaces never compare equal
        QPainter painter(&reference);
        step.draw(
            painter, [](QPointF p) { return p; }, 1.0, number);
        painter.end();
        if (reference.copy(box) == render.copy(box).convertToFormat(QImage::Format_RGB32))
            return number;
    }
    return 0;
}

TEST(MarkupTools, StepsAreNumberedByTheirPlaceThroughUndoRedoAndDelete) {
    Canvas t({800, 600});
    const auto shown = [&] {
        std::vector<int> numbers;
        const auto image = t.canvas.render();
        for (const auto& a : t.canvas.annotations())
            numbers.push_back(a->kind() == Kind::step ? numberShown(*image, *a) : -1);
        return numbers;
    };
    for (const QPointF at : {QPointF(100, 100), QPointF(300, 100), QPointF(500, 100)})
        t.stroke(MarkupTool::step, {at});
    t.stroke(MarkupTool::arrow, {{100, 400}, {300, 500}});
    const struct {
        const char* name;
        std::function<void()> act;
        std::vector<int> numbers;
    } rows[] = {
        {"three clicks", [] {}, {1, 2, 3, -1}},
        {"the second deleted",
         [&] {
             t.stroke(MarkupTool::select, {{300, 100}});
             t.canvas.deleteSelection();
         },
         {1, 2, -1}},
        {"undone", [&] { t.canvas.undo(); }, {1, 2, 3, -1}},
        {"redone", [&] { t.canvas.redo(); }, {1, 2, -1}},
        {"a fourth",
         [&] {
             t.stroke(MarkupTool::step, {{700, 300}});
         },
         {1, 2, -1, 3}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.act();
        EXPECT_EQ(shown(), row.numbers);
    }
    // Placed at the click in the current font size, its disc 1.6 times that across.
    const Annotation& last = *t.canvas.annotations().back();
    EXPECT_EQ(last.points(), std::vector<QPointF>{QPointF(700, 300)});
    EXPECT_EQ(last.boundingBox(), QRectF(668, 268, 64, 64));
}

TEST(MarkupTools, TheNumeralIsBlackOnlyOnTheLightSwatches) {
    for (const auto& [disc, numeral] : {std::pair{QColor(255, 59, 48), QColor(Qt::white)},
                                        {QColor(0, 122, 255), Qt::white},
                                        {QColor(255, 204, 0), Qt::black},
                                        {QColor(Qt::white), Qt::black}}) {
        SCOPED_TRACE(disc.name().toStdString());
        QImage image(100, 100, QImage::Format_RGB32);
        image.fill(Qt::gray);
        QPainter painter(&image);
        Annotation(Kind::step, {{50, 50}}, disc, 0, {}, 40)
            .draw(
                painter, [](QPointF p) { return p; }, 1.0, 8);
        painter.end();
        EXPECT_EQ(image.pixelColor(50 + 30, 50), disc);  // inside the 64-pixel disc
        EXPECT_EQ(image.pixelColor(50 + 34, 50), QColor(Qt::gray));
        EXPECT_GT(100 * 100 - pixelsOtherThan(image, image.rect(), numeral.rgb()), 30);
    }
}

// Crops drawn on the 800 x 600 image shown at scale 1; after the first, the view shows the
// crop enlarged.
TEST(MarkupTools, CropGeometryApplyingCancellingAndUndo) {
    struct Row {
        const char* name;
        QPointF from, to;
        int apply;  // 0 Esc, 1 Return, 2 double-click
        std::optional<QRect> crop;
    };
    const Row rows[] = {
        {"Esc cancels", {100, 100}, {300, 250}, 0, std::nullopt},
        {"Return applies, edges rounded",
         {100.4, 99.6},
         {300.5, 250},
         1,
         QRect(100, 100, 201, 150)},
        {"3 x 3 is ignored", {10, 10}, {13, 13}, 1, std::nullopt},
        {"outside the image is cut off", {700, 500}, {900, 700}, 2, QRect(700, 500, 100, 100)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Canvas t({800, 600});
        t.stroke(MarkupTool::crop, {row.from, row.to});
        EXPECT_FALSE(t.canvas.crop());
        if (row.apply == 0) {
            EXPECT_TRUE(t.key(Qt::Key_Escape));
        }
        if (row.apply == 1) t.key(Qt::Key_Return);
        if (row.apply == 2) {
            t.press(row.to);  // the double-click's first click keeps the rectangle
            t.release(row.to);
            t.doubleClick(row.to);
            t.release(row.to);
        }
        EXPECT_FALSE(t.canvas.pendingCrop());
        EXPECT_EQ(t.canvas.crop(), row.crop);
        EXPECT_EQ(t.canvas.canUndo(), row.crop.has_value());
        EXPECT_EQ(t.canvas.render()->size(), row.crop.value_or(QRect(0, 0, 800, 600)).size());
    }

    // A crop within a crop, in the enlarged view; then undo and redo step through both.
    Canvas t({800, 600});
    t.stroke(MarkupTool::crop, {{200, 150}, {400, 300}});
    t.key(Qt::Key_Enter);
    t.stroke(MarkupTool::crop, {{0, 0}, {400, 300}});  // scale 4: image (200, 150) + 100 x 75
    t.key(Qt::Key_Return);
    EXPECT_EQ(t.canvas.crop(), QRect(200, 150, 100, 75));
    EXPECT_EQ(t.canvas.mapping().viewToImage({400, 300}), QPointF(250, 187.5));
    t.canvas.undo();
    EXPECT_EQ(t.canvas.crop(), QRect(200, 150, 200, 150));
    t.canvas.undo();
    EXPECT_FALSE(t.canvas.crop());
    t.canvas.redo();
    EXPECT_EQ(t.canvas.crop(), QRect(200, 150, 200, 150));
}

TEST(MarkupTools, AfterACropAnnotationsKeepImageCoordinatesAndOnlyTheCropIsRendered) {
    Canvas t({800, 600});
    t.canvas.setCurrentLineWidthPoints(4);
    t.stroke(MarkupTool::rectangle, {{150, 250}, {190, 350}});  // left of the crop
    t.stroke(MarkupTool::line, {{100, 300}, {700, 300}});       // across the crop
    t.stroke(MarkupTool::redact, {{600, 50}, {700, 100}});      // wholly outside it
    t.stroke(MarkupTool::crop, {{200, 200}, {520, 440}});       // 4:3, shown at 2.5 without bars
    t.key(Qt::Key_Return);
    EXPECT_EQ(t.canvas.annotations()[1]->points().front(), QPointF(100, 300));
    const auto image = t.canvas.render();
    ASSERT_TRUE(image);
    ASSERT_EQ(image->size(), QSize(320, 240));
    EXPECT_EQ(image->pixelColor(150, 100), systemRed());  // image (350, 300)
    EXPECT_EQ(image->pixelColor(150, 90), QColor(Qt::white));
    EXPECT_EQ(pixelsOtherThan(*image, {0, 0, 320, 95}, qRgb(255, 255, 255)), 0);
    // Drawing after the crop lands in image coordinates: view (0, 0) is image (200, 200).
    t.stroke(MarkupTool::arrow, {{0, 0}, {400, 300}});
    EXPECT_EQ(t.canvas.annotations().back()->points().front(), QPointF(200, 200));
    // A wider view shows margins; what lies there was cut away and cannot be picked.
    t.canvas.setViewSize({1000, 600});
    t.stroke(MarkupTool::select, {{25, 250}});  // image (170, 300), in the rectangle
    EXPECT_FALSE(t.canvas.selection());
    t.stroke(MarkupTool::select, {{550, 250}});  // image (380, 300), on the line
    EXPECT_EQ(t.canvas.selection(), t.canvas.annotations()[1]);
}

}  // namespace
}  // namespace moxilane
