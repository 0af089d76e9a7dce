#include "platform/wayland/PortalScreenshot.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace moxilane;
using namespace moxilane::wayland;

// The portal's picture covers the layout's bounding box at the compositor's largest scale:
// here a 1× display of 100 × 50 points and a 2× one of 50 × 25 points beside it, pictured
// at scale 2, the uncovered corner left black.
TEST(PortalScreenshot, EachDisplayIsCutFromTheLayoutPictureAtItsOwnDeviceSize) {
    for (const int originX : {0, -100}) {
        SCOPED_TRACE(originX);
        const LayoutDisplay plain{{1, QRect(originX, 0, 100, 50)}, QRect(originX, 0, 100, 50)};
        const LayoutDisplay sharp{{2, QRect((originX + 100) * 2, 0, 100, 50)},
                                  QRect(originX + 100, 0, 50, 25)};
        QImage picture(300, 100, QImage::Format_RGB32);
        picture.fill(Qt::black);
        QPainter painter(&picture);
        painter.fillRect(0, 0, 200, 100, Qt::red);
        painter.fillRect(200, 0, 100, 50, Qt::blue);
        painter.end();
        const struct {
            const LayoutDisplay& display;
            QColor colour;
        } rows[] = {{plain, Qt::red}, {sharp, Qt::blue}};
        for (const auto& row : rows) {
            const QImage cut = cutDisplayFromLayout(picture, {plain, sharp}, row.display);
            ASSERT_EQ(cut.size(), QSize(100, 50));
            EXPECT_EQ(cut.pixelColor(0, 0), row.colour);
            EXPECT_EQ(cut.pixelColor(99, 49), row.colour);
        }
    }
    // A display that fills the picture shares its pixels instead of copying a full screen.
    const QImage whole(100, 50, QImage::Format_RGB32);
    const LayoutDisplay only{{1, QRect(0, 0, 100, 50)}, QRect(0, 0, 100, 50)};
    EXPECT_EQ(cutDisplayFromLayout(whole, {only}, only).constBits(), whole.constBits());
}

TEST(PortalScreenshot, RemovesOnlyThePortalsLeftoverFiles) {
    const struct {
        const char* path;
        bool leftover;
    } rows[] = {
        {"/tmp/out.png", true},  // sway's backend always writes there
        {"/home/u/Pictures/Screenshot_20260101_101010.png", true},
        {"/home/u/Pictures/../notes.png", false},
        {"/home/u/Pictures2/shot.png", false},
        {"/tmp/outer/out.png", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(isPortalLeftover(QString::fromUtf8(row.path), QStringLiteral("/home/u")),
                  row.leftover);
    }
}
