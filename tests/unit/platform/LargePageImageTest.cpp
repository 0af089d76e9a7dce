#include "platform/LargePageImage.h"

#include <sys/mman.h>

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

bool mapped(const void* address) {
    return msync(const_cast<void*>(address), 4096, MS_ASYNC) == 0;
}

}  // namespace

TEST(LargePageImage, KeptPagesServeTheNextPictureThatFitsAndGoWhenKeepingEnds) {
    const QSize size(1024, 768);
    keepLargePages(true);
    QImage first = largePageImage(size, QImage::Format_RGB32);
    const uchar* firstPages = first.constBits();
    first = QImage();
    EXPECT_TRUE(mapped(firstPages)) << "kept";

    QImage small = largePageImage(QSize(100, 100), QImage::Format_RGB32);
    EXPECT_NE(small.constBits(), firstPages) << "far too large for it";
    QImage again = largePageImage(QSize(1000, 768), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(again.constBits(), firstPages);
    again.fill(Qt::red);
    again = QImage();
    // One kept at a time: the small picture's pages go as it does.
    const uchar* smallPages = small.constBits();
    small = QImage();
    EXPECT_FALSE(mapped(smallPages));
    EXPECT_TRUE(mapped(firstPages));

    keepLargePages(false);
    EXPECT_FALSE(mapped(firstPages));
    QImage later = largePageImage(size, QImage::Format_RGB32);
    const uchar* laterPages = later.constBits();
    later = QImage();
    EXPECT_FALSE(mapped(laterPages)) << "not kept once keeping ends";
}
