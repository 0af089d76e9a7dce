#include "platform/wayland/OutputRegion.h"

#include <gtest/gtest.h>

namespace moxilane::wayland {

// The region asked for covers the wanted pixels at every scale, and the offset finds them.
TEST(OutputRegion, CoversTheDevicePixelsAndFindsThemInTheAnswer) {
    struct Row {
        QRect device;
        double scale;
        QRect logical;
        QPoint offset;
    };
    const Row rows[] = {
        {{300, 200, 400, 300}, 1.0, {300, 200, 400, 300}, {0, 0}},
        {{600, 400, 800, 600}, 2.0, {300, 200, 400, 300}, {0, 0}},
        {{601, 401, 3, 3}, 2.0, {300, 200, 2, 2}, {1, 1}},
        {{100, 50, 30, 30}, 1.5, {66, 33, 21, 21}, {1, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scale);
        const OutputRegion region = outputRegionFor(row.device, row.scale);
        EXPECT_EQ(region.logical, row.logical);
        EXPECT_EQ(region.offsetDevice, row.offset);
        // The answer, logical size times scale, holds the whole area after the offset.
        EXPECT_GE(region.logical.width() * row.scale, region.offsetDevice.x() + row.device.width());
        EXPECT_GE(region.logical.height() * row.scale,
                  region.offsetDevice.y() + row.device.height());
    }
}

}  // namespace moxilane::wayland
