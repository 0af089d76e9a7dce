#include "markup/Annotation.h"
#include "markup/MarkupTool.h"

#include <gtest/gtest.h>

namespace moxilane {
namespace {

using Kind = Annotation::Kind;

TEST(MarkupTool, RawValuesRoundTripInToolBarOrderAndRejectOthers) {
    for (int raw = 0; raw < 11; ++raw) {
        const auto tool = markupToolFromRaw(raw);
        ASSERT_TRUE(tool);
        EXPECT_EQ(rawValue(*tool), raw);
        EXPECT_EQ(allMarkupTools[static_cast<std::size_t>(raw)], *tool);
    }
    EXPECT_FALSE(markupToolFromRaw(-1));
    EXPECT_FALSE(markupToolFromRaw(11));
    EXPECT_EQ(label(MarkupTool::redact), "Redact");
    EXPECT_EQ(label(MarkupTool::step), "Step");
    EXPECT_EQ(label(MarkupTool::crop), "Crop");
    EXPECT_EQ(symbolName(MarkupTool::line), "line.diagonal");
    EXPECT_EQ(label(MarkupTool::pen), "Freehand");
}

TEST(Annotation, BoundingBoxCoversPointsTextEstimateAndLineWidth) {
    struct Case {
        const char* name;
        Kind kind;
        std::vector<QPointF> points;
        double lineWidth;
        QString text;
        double fontSize;
        QRectF box;
    };
    const QString thumbsUp =
        QString::fromUtf8("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD");                     // 2 code points
    const QString eAcute = QString::fromUtf8("e\xCC\x81");                         // e + combining
    const QString hebrew = QString::fromUtf8("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D");  // 4 letters
    const Case cases[] = {
        {"no points: zero box, no margin", Kind::line, {}, 5, {}, 0, {0, 0, 0, 0}},
        {"points in any order", Kind::rectangle, {{30, 5}, {10, 25}}, 2, {}, 0, {8, 3, 24, 24}},
        {"zero-length line", Kind::line, {{10, 10}, {10, 10}}, 3, {}, 0, {7, 7, 6, 6}},
        {"one-point stroke", Kind::freehand, {{4, 4}}, 1.5, {}, 0, {2.5, 2.5, 3, 3}},
        {"empty text: one character", Kind::text, {{100, 50}}, 0, "", 40, {100, 50, 24, 56}},
        {"emoji with modifier", Kind::text, {{0, 0}}, 0, "a" + thumbsUp, 10, {0, 0, 12, 14}},
        {"combining mark", Kind::text, {{0, 0}}, 1, eAcute + eAcute, 10, {-1, -1, 14, 16}},
        {"right-to-left letters", Kind::text, {{0, 0}}, 0, hebrew, 10, {0, 0, 24, 14}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QRectF box =
            Annotation(c.kind, c.points, Qt::red, c.lineWidth, c.text, c.fontSize).boundingBox();
        EXPECT_DOUBLE_EQ(box.x(), c.box.x());
        EXPECT_DOUBLE_EQ(box.y(), c.box.y());
        EXPECT_DOUBLE_EQ(box.width(), c.box.width());
        EXPECT_DOUBLE_EQ(box.height(), c.box.height());
    }
}

TEST(Annotation, HitRuleTakesMinimumEdgesAndLeavesMaximumEdgesOut) {
    const Annotation box(Kind::rectangle, {{10, 10}, {20, 30}}, Qt::red, 0);
    EXPECT_TRUE(box.contains({10, 10}));
    EXPECT_TRUE(box.contains({19.999, 29.999}));
    EXPECT_TRUE(box.contains({15, 20}));  // inside an outline that draws nothing there
    EXPECT_FALSE(box.contains({20, 15}));
    EXPECT_FALSE(box.contains({15, 30}));
    EXPECT_FALSE(box.contains({9.999, 15}));

    const Annotation flat(Kind::line, {{0, 5}, {50, 5}}, Qt::red, 0);  // zero height
    EXPECT_FALSE(flat.contains({10, 5}));
    EXPECT_FALSE(Annotation(Kind::freehand, {}, Qt::red, 4).contains({0, 0}));
    EXPECT_TRUE(Annotation(Kind::freehand, {{5, 5}}, Qt::red, 4).contains({1, 8.5}));
}

TEST(Annotation, TranslateMovesEveryPointAndCopiesAreIndependent) {
    Annotation stroke(Kind::freehand, {{1, 2}, {3, 4}, {5, 6}}, Qt::blue, 2);
    const auto copy = stroke.copy();
    stroke.translate({10, -2});
    EXPECT_EQ(stroke.points(), (std::vector<QPointF>{{11, 0}, {13, 2}, {15, 4}}));
    EXPECT_EQ(copy->points(), (std::vector<QPointF>{{1, 2}, {3, 4}, {5, 6}}));
    EXPECT_EQ(copy->color(), QColor(Qt::blue));

    const AnnotationList live{std::make_shared<Annotation>(stroke)};
    const AnnotationList stored = copyOf(live);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_NE(stored[0], live[0]);
    live[0]->translate({1, 1});
    EXPECT_EQ(stored[0]->points().front(), QPointF(11, 0));
}

}  // namespace
}  // namespace moxilane
