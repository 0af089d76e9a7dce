#include "platform/wayland/SwayTree.h"

#include <QFile>
#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

QJsonObject fixture(const char* name) {
    QFile file(QStringLiteral(SWAY_FIXTURES "/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return QJsonDocument::fromJson(file.readAll()).object();
}

struct Expected {
    const char* title;
    QRect frameDevice;
    const char* application;
};

}  // namespace

// Trees captured from headless sway: two outputs, the second at scale 2 right of the first;
// workspace 1 holds two tiled views, a floating one with a pixel border and a floating
// XWayland one raised last; workspace 3 is hidden; workspace 2 is tabbed with one tab behind.
// In the second tree the second tiled view is full screen.
TEST(SwayTree, ListsShownViewsFrontToBackWithTheirFrames) {
    const struct {
        const char* fixture;
        std::int64_t ownPid;
        std::vector<Expected> windows;
    } rows[] = {
        {"tiled-floating-tabbed.json",
         0,
         {{"xmsg", QRect(912, 469, 95, 95), "Xmessage"},
          {"Floating", QRect(759, 388, 402, 279), "floatterm"},
          {"Tiled one", QRect(0, 0, 960, 1057), "tiledterm"},
          {"Tiled two", QRect(960, 0, 960, 1057), "secondterm"},
          {"On scale 2", QRect(3840, 0, 1920, 1034), "scaledterm"}}},
        {"tiled-floating-tabbed.json",
         17640,  // the floating view is ours
         {{"xmsg", QRect(912, 469, 95, 95), "Xmessage"},
          {"Tiled one", QRect(0, 0, 960, 1057), "tiledterm"},
          {"Tiled two", QRect(960, 0, 960, 1057), "secondterm"},
          {"On scale 2", QRect(3840, 0, 1920, 1034), "scaledterm"}}},
        {"fullscreen.json",
         0,
         {{"Tiled two", QRect(0, 0, 1920, 1080), "secondterm"},
          {"On scale 2", QRect(3840, 0, 1920, 1034), "scaledterm"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.fixture) + " own pid " + std::to_string(row.ownPid));
        const auto windows = wayland::swayTreeWindows(fixture(row.fixture), row.ownPid);
        ASSERT_EQ(windows.size(), row.windows.size());
        for (std::size_t i = 0; i < windows.size(); ++i) {
            SCOPED_TRACE(row.windows[i].title);
            EXPECT_EQ(windows[i].title, QString::fromUtf8(row.windows[i].title));
            EXPECT_EQ(windows[i].frameDevice, row.windows[i].frameDevice);
            ASSERT_TRUE(windows[i].owningApplication);
            EXPECT_EQ(windows[i].owningApplication->applicationName,
                      QString::fromUtf8(row.windows[i].application));
            EXPECT_GT(windows[i].owningApplication->processID, 0);
            EXPECT_TRUE(windows[i].isOnScreen);
        }
    }
}
