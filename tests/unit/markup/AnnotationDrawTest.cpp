#include "markup/Annotation.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace moxilane {
namespace {

using Kind = Annotation::Kind;

// Draws annotations on white at `scale` painter pixels per image pixel, as the canvas does
// when zoomed and the final render does at 1.
struct Drawn {
    double scale;
    QImage image;

    Drawn(double s, std::initializer_list<Annotation> annotations)
        : scale(s), image(QSize(200, 200) * s, QImage::Format_RGB32) {
        image.fill(Qt::white);
        QPainter painter(&image);
        const PointMap map = [s](QPointF p) { return p * s; };
        for (const Annotation& a : annotations)
            a.draw(painter, map, s);
    }
    // The pixel under an image point.
    QColor at(QPointF imagePoint) const {
        const QPointF p = imagePoint * scale;
        return image.pixelColor(int(std::floor(p.x())), int(std::floor(p.y())));
    }
    int inkIn(QRectF imageRect) const {
        const QRect r = QRectF(imageRect.topLeft() * scale, imageRect.size() * scale).toRect();
        int count = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                count += image.pixel(x, y) != qRgb(255, 255, 255);
        return count;
    }
};

QPointF rotated(QPointF v, double angle) {
    return {v.x() * std::cos(angle) - v.y() * std::sin(angle),
            v.x() * std::sin(angle) + v.y() * std::cos(angle)};
}

const QColor red(255, 0, 0);
const QColor white(255, 255, 255);

TEST(AnnotationDraw, StrokesArrowHeadAndOvalLandWhereTheGeometrySays) {
    for (const double scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        const QPointF tail(30, 170), tip(110, 90);
        const Drawn d(scale, {Annotation(Kind::arrow, {tail, tip}, red, 4),
                              Annotation(Kind::oval, {{160, 120}, {40, 20}}, red, 2),
                              Annotation(Kind::line, {{120, 190}, {190, 190}}, red, 4)});
        // Shaft and line centres, and nothing beyond half the width plus the edge's blur.
        EXPECT_EQ(d.at((tail + tip) / 2), red);
        EXPECT_EQ(d.at({155, 190}), red);
        EXPECT_EQ(d.at({155, 193.5}), white);
        // The wings leave the tip at pi/7 either side of the shaft's backward direction and
        // are 14 units long at this width (14 >= 3.5 x 4 x scale / scale).
        const QPointF back = (tail - tip) / std::hypot(tail.x() - tip.x(), tail.y() - tip.y());
        for (const double side : {1.0, -1.0}) {
            const QPointF wingEnd = tip + 14.0 * rotated(back, side * std::numbers::pi / 7);
            EXPECT_EQ(d.at(tip + (wingEnd - tip) * 0.9), red);
            EXPECT_EQ(d.at(tip + 14.0 * rotated(back, side * std::numbers::pi / 2)), white);
        }
        EXPECT_EQ(d.at(tip + (tip - tail) * 0.06), white);  // open head: nothing past the tip
        // The oval is inscribed in its frame: extremes inked, corners and centre clear.
        for (const QPointF extreme :
             {QPointF(40.5, 70), QPointF(159.5, 70), QPointF(100, 20.5), QPointF(100, 119.5)})
            EXPECT_NE(d.at(extreme), white);
        EXPECT_EQ(d.at({44, 24}), white);
        EXPECT_EQ(d.at({100, 70}), white);
        EXPECT_EQ(d.inkIn({0, 0, 20, 12}), 0);
    }
}

TEST(AnnotationDraw, HighlighterIsEvenWhereItCrossesItselfButStacksAcrossAnnotations) {
    for (const double scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        const QColor blue(0, 0, 255);
        const Drawn d(scale, {Annotation(Kind::highlight,
                                         {{20, 20}, {100, 100}, {100, 20}, {20, 100}}, blue, 2),
                              Annotation(Kind::highlight, {{120, 150}, {190, 150}}, blue, 2),
                              Annotation(Kind::highlight, {{150, 120}, {150, 190}}, blue, 2)});
        const QColor once = d.at({40, 40});
        EXPECT_NEAR(once.red(), 255 * 0.65, 1.5);  // white under 0.35 blue
        EXPECT_EQ(once.blue(), 255);
        EXPECT_EQ(d.at({60, 60}), once);                     // the crossing
        EXPECT_LT(d.at({150, 150}).red(), once.red() - 40);  // two annotations darken
        // Width max(3 x 2, 8) = 8 image pixels: 3.5 off the centre is in, 4.5 is out.
        EXPECT_EQ(d.at({140, 153.5}), once);
        EXPECT_EQ(d.at({140, 154.6}), white);
    }
}

TEST(AnnotationDraw, ThinStrokesAndTextKeepTheirMinimumsAndPlaces) {
    // At a quarter zoom a 2-pixel line is still one unit wide (a pixel row fully covered), and
    // the head is 14 x 0.25 = 3.5 units long: wings above and below the tip, none further back.
    QImage small(100, 100, QImage::Format_RGB32);
    small.fill(Qt::white);
    {
        QPainter painter(&small);
        const PointMap quarter = [](QPointF p) { return p / 4; };
        Annotation(Kind::arrow, {{40, 202}, {360, 202}}, red, 2).draw(painter, quarter, 0.25);
    }
    EXPECT_EQ(small.pixelColor(50, 50), red);
    EXPECT_EQ(small.pixelColor(50, 49), white);
    for (const int row : {48, 49, 51, 52}) {
        SCOPED_TRACE(row);
        EXPECT_NE(small.pixelColor(87, row), white);
        EXPECT_EQ(small.pixelColor(84, row), white);
    }

    // Text hangs down and to the right from its point, within its estimated box.
    const Annotation text(Kind::text, {{50, 60}}, red, 0, "Wide", 40);
    const Drawn d(1, {text});
    EXPECT_GT(d.inkIn({50, 60, 120, 48}), 200);
    EXPECT_EQ(d.inkIn({0, 0, 200, 58}), 0);
    EXPECT_EQ(d.inkIn({0, 0, 48, 200}), 0);
    EXPECT_EQ(d.inkIn({0, 110, 200, 89}), 0);
}

}  // namespace
}  // namespace moxilane
