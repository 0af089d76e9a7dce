#include "platform/wayland/kde/KWinScreenShot2.h"
#include "platform/wayland/kde/KWinWindows.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace moxilane;
using namespace moxilane::wayland;

namespace {

QVariantMap rawResults(uint width, uint height, uint stride, QImage::Format format) {
    return {{QStringLiteral("type"), QStringLiteral("raw")},
            {QStringLiteral("width"), width},
            {QStringLiteral("height"), height},
            {QStringLiteral("stride"), stride},
            {QStringLiteral("format"), uint(format)}};
}

// Rows of `stride` bytes whose pixel (x, y) is 0xff000000 | y << 8 | x, padding 0xAB.
QByteArray paddedRows(int width, int height, int stride) {
    QByteArray bytes(qsizetype(stride) * height, char(0xAB));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const quint32 pixel = 0xff000000u | quint32(y) << 8 | quint32(x);
            std::memcpy(bytes.data() + qsizetype(y) * stride + x * 4, &pixel, 4);
        }
    return bytes;
}

}  // namespace

TEST(KWinScreenShot2, RawPixelsHonourStrideAndRefuseShortOrUnknownData) {
    const QByteArray rows = paddedRows(3, 2, 16);
    QVariantMap otherType = rawResults(3, 2, 16, QImage::Format_ARGB32);
    otherType[QStringLiteral("type")] = QStringLiteral("png");
    struct Row {
        const char* name;
        QVariantMap results;
        QByteArray bytes;
        bool ok;
    } rows_[] = {
        {"padded rows", rawResults(3, 2, 16, QImage::Format_ARGB32_Premultiplied), rows, true},
        // The last row needs no padding after it.
        {"last row unpadded", rawResults(3, 2, 16, QImage::Format_ARGB32), rows.left(28), true},
        {"one byte short", rawResults(3, 2, 16, QImage::Format_ARGB32), rows.left(27), false},
        {"stride under a row", rawResults(3, 2, 8, QImage::Format_ARGB32), rows, false},
        {"unknown format", rawResults(3, 2, 16, QImage::Format(999)), rows, false},
        {"not raw", otherType, rows, false},
        {"empty", rawResults(0, 2, 16, QImage::Format_ARGB32), rows, false},
    };
    for (const Row& row : rows_) {
        SCOPED_TRACE(row.name);
        auto image = imageFromRawPixels(row.results, row.bytes);
        ASSERT_EQ(bool(image), row.ok);
        if (!row.ok) {
            EXPECT_EQ(image.error().kind, KWinShotError::Kind::Failed);
            continue;
        }
        ASSERT_EQ(image->size(), QSize(3, 2));
        EXPECT_EQ(image->pixel(2, 1) & 0xffffff, 0x000102u);
        EXPECT_EQ(image->pixel(0, 1) & 0xffffff, 0x000100u);
    }
}

TEST(KWinScreenShot2, OnlyRefusalAndAbsenceFallBackToThePortal) {
    const struct {
        const char* name;
        KWinShotError::Kind kind;
    } rows[] = {
        {"org.kde.KWin.ScreenShot2.Error.NoAuthorized", KWinShotError::Kind::NotAuthorized},
        {"org.freedesktop.DBus.Error.ServiceUnknown", KWinShotError::Kind::Unavailable},
        {"org.freedesktop.DBus.Error.UnknownObject", KWinShotError::Kind::Unavailable},
        {"org.kde.KWin.ScreenShot2.Error.InvalidWindow", KWinShotError::Kind::Failed},
        {"org.freedesktop.DBus.Error.NoReply", KWinShotError::Kind::Failed},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const KWinShotError error{kwinErrorKind(QString::fromLatin1(row.name)), QString()};
        EXPECT_EQ(error.kind, row.kind);
        EXPECT_EQ(error.allowsFallback(), row.kind != KWinShotError::Kind::Failed);
    }
}

TEST(KWinWindows, ReportBecomesTheVisibleWindowsFrontToBackInDevicePixels) {
    // Bottom to top, as KWin stacks them; the second output is at scale 2.
    const QByteArray report = R"([
        {"internalId":"{d}","caption":"Desktop","pid":10,"x":0,"y":0,"width":1000,"height":500,
         "desktopWindow":true,"onCurrentDesktop":true},
        {"internalId":"{a}","caption":"Editor","resourceClass":"kate","pid":11,
         "x":1000,"y":10,"width":100.5,"height":50,"onCurrentDesktop":true},
        {"internalId":"{m}","caption":"Hidden","pid":12,"x":0,"y":0,"width":10,"height":10,
         "minimized":true,"onCurrentDesktop":true},
        {"internalId":"{o}","caption":"Elsewhere","pid":13,"x":0,"y":0,"width":10,"height":10,
         "onCurrentDesktop":false},
        {"internalId":"{own}","caption":"Our panel","pid":42,"x":0,"y":0,"width":10,"height":10,
         "onCurrentDesktop":true},
        {"internalId":"{gone}","caption":"Closing","pid":15,"x":0,"y":0,"width":10,"height":10,
         "onCurrentDesktop":true,"deleted":true},
        {"internalId":"{p}","caption":"Panel","pid":14,"x":0,"y":480,"width":1000,"height":20,
         "dock":true,"onCurrentDesktop":true}
    ])";
    const std::vector<KWinOutputScale> outputs{{QRect(0, 0, 1000, 500), 1.0},
                                               {QRect(1000, 0, 500, 250), 2.0}};
    auto windows = kwinWindowsFromReport(report, 42, outputs);
    ASSERT_TRUE(windows);
    ASSERT_EQ(windows->size(), 3u);
    const KWinWindow& panel = (*windows)[0];
    const KWinWindow& editor = (*windows)[1];
    EXPECT_EQ(panel.info.windowLayer, 20);
    EXPECT_EQ(editor.internalId, QStringLiteral("{a}"));
    EXPECT_EQ(editor.info.windowID, windowIdForInternalId(QStringLiteral("{a}")));
    EXPECT_EQ(editor.info.frameDevice, QRect(2000, 20, 201, 100));
    EXPECT_EQ(editor.info.owningApplication->applicationName, QStringLiteral("kate"));
    EXPECT_EQ(editor.info.owningApplication->processID, 11);
    EXPECT_LT((*windows)[2].info.windowLayer, -1000);
    EXPECT_FALSE(kwinWindowsFromReport("not json", 42, outputs));
}
