#include "platform/x11/SharedMemoryPath.h"

#include <gtest/gtest.h>

using namespace moxilane;
using namespace moxilane::x11;

TEST(SharedMemoryPath, ReadsPlainlyWhereNoSegmentCanBeHad) {
    struct Row {
        const char* name;
        bool serverHasShm, segmentWorks;
        QColor expected;
        int segmentAttempts;  // over two reads
    };
    const Row rows[] = {
        {"segment made", true, true, Qt::red, 2},
        {"segment refused: plain, and not asked again", true, false, Qt::blue, 1},
        {"no MIT-SHM: never asked", false, true, Qt::blue, 0},
    };
    auto picture = [](QColor colour) {
        return [colour]() -> std::expected<QImage, CaptureError> {
            QImage image(4, 4, QImage::Format_RGB32);
            image.fill(colour);
            return image;
        };
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SharedMemoryPath path(row.serverHasShm);
        int attempts = 0;
        auto segment = [&](std::size_t) { return ++attempts, row.segmentWorks; };
        const SharedMemoryPath::Reads reads{segment, picture(Qt::red), picture(Qt::blue)};
        for (int i = 0; i < 2; ++i) {
            const auto image = path.read(64, reads);
            ASSERT_TRUE(image);
            EXPECT_EQ(image->pixelColor(0, 0), row.expected);
        }
        EXPECT_EQ(attempts, row.segmentAttempts);
    }
}
